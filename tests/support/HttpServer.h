#pragma once
// A real HTTP/1.1 server on 127.0.0.1 (ephemeral port) for tests and benchmarks. One thread per
// connection, keep-alive, origin-form ("GET /path") and proxy-form ("GET http://host/path")
// request targets, so a client can reach it directly or as its http_proxy. A handler function
// answers each request through an HttpExchange, which can also misbehave on purpose: stall, send
// raw bytes, close or reset the connection. The destructor stops everything and wakes handlers
// that are stalling.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using HttpHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method;
    QByteArray target;       // request target exactly as received
    QByteArray version;      // "HTTP/1.1"
    QByteArray host;         // host[:port] of an absolute target, else the Host header
    QByteArray path;         // path with query ("/" when an absolute target has none)
    bool proxyForm = false;  // the target was an absolute address
    HttpHeaders headers;     // in the order received
    QByteArray body;         // after de-chunking
    int connection = 0;      // 1 for the first connection accepted, 2 for the next, ...

    // First value of the header, name in any letter case; empty when missing.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
};

class HttpExchange {
public:
    const HttpRequest& request() const { return request_; }

    // Sends a complete response: status line, headers, "Content-Length" (added unless the headers
    // hold one; withLength = false leaves it out and closes the connection after the body) and
    // the body (none for HEAD). False when the peer is gone.
    bool respond(int status, const QByteArray& body = {}, const HttpHeaders& headers = {},
                 bool withLength = true);
    // Sends bytes as they are: a partial response, a broken header block, a body in pieces.
    bool sendRaw(const QByteArray& bytes);
    // Waits for the duration (a stall, or added latency). Returns false at once when the server
    // stops meanwhile.
    bool stall(std::chrono::milliseconds duration);
    // Closes the connection (orderly) after what was sent; no further request is read.
    void close();
    // Aborts the connection with a reset (RST).
    void reset();
    // Whether respond or sendRaw has sent anything, or the connection was closed or reset.
    bool answered() const { return answered_; }

private:
    friend class HttpServer;
    struct Shared;
    struct Connection;
    HttpExchange(Shared& server, Connection& connection, HttpRequest request);

    Shared& server_;
    Connection& connection_;
    HttpRequest request_;
    bool answered_ = false;
    bool closeAfter_ = false;
    bool ended_ = false;
};

// Called on the connection's thread, once per request. A handler that answers nothing gets an
// automatic "404 Not Found".
using HttpHandler = std::function<void(const HttpRequest& request, HttpExchange& exchange)>;

class HttpServer {
public:
    explicit HttpServer(HttpHandler handler = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Replaces the handler; requests that arrive afterwards use the new one.
    void setHandler(HttpHandler handler);

    quint16 port() const;
    QString baseUrl() const;  // "http://127.0.0.1:PORT"
    QString url(const QString& pathAndQuery) const { return baseUrl() + pathAndQuery; }
    QString proxyUrl() const { return baseUrl(); }

    // Requests seen, in order of arrival (recorded unless switched off, e.g. for benchmarks).
    std::vector<HttpRequest> requests() const;
    HttpRequest lastRequest() const;  // empty record when none arrived
    void clearRequests();
    void setRecording(bool on);
    int requestCount() const;     // every request, recorded or not
    int connectionCount() const;  // connections accepted so far
    // Waits until at least `count` requests have arrived; false after the time-out.
    bool waitForRequests(int count, std::chrono::milliseconds timeout) const;

private:
    void acceptLoop();
    void serve(HttpExchange::Connection& connection);

    std::unique_ptr<HttpExchange::Shared> shared_;
};
