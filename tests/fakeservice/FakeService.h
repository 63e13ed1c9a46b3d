#pragma once
// The fake service on a loopback port: a test HTTP server whose handler is Answer. The product
// reaches it unchanged through http_proxy (proxy-form requests "GET http://host/path").

#include "fakeservice/FakeTypes.h"
#include "support/HttpServer.h"

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

// An answer that the next matching requests get instead of their own (tests of failures).
struct FakeOverride {
    FakePathKind kind = FakePathKind::Unknown;
    QByteArray targetContains;  // what the path and query must hold; empty: any of the kind
    int status = 503;
    int times = 1;          // how many requests get it
    QByteArray retryAfter;  // the Retry-After value; empty for none
    // When set, the request gets its own answer with this transport fault (after half the
    // body) instead of the status.
    FakeFault fault = FakeFault::None;
    // When set, the request gets its usual answer under this Content-Type instead, with this
    // body when one is given.
    QByteArray contentType = {};
    QByteArray body = {};
};

class FakeService {
public:
    explicit FakeService(const FakeOptions& options = {});
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    quint16 port() const { return server_.port(); }
    QString proxyUrl() const { return server_.proxyUrl(); }  // "http://127.0.0.1:PORT"

    FakeOptions options() const;
    // Applies to requests that arrive afterwards.
    void setOptions(const FakeOptions& options);

    // Requests answered so far, per kind and in all.
    int requestCount(FakePathKind kind) const;
    int totalRequests() const;
    void resetCounters();
    // The next `times` requests that match get the override's status instead of their answer.
    void overrideNext(const FakeOverride& override);

    // When the last request arrived or was answered (the service's start before any).
    std::chrono::steady_clock::time_point lastActivity() const;

    // The server underneath: its request records (requests(), waitForRequests(), setRecording()).
    HttpServer& server() { return server_; }

private:
    void handle(const HttpRequest& request, HttpExchange& exchange);
    void touch();
    bool TakeOverride(const FakeRequest& request, FakeReply& reply);
    static FakeReply StatusReply(const FakeReply& original, const FakeOverride& override);

    mutable std::mutex mutex_;  // guards options_ and overrides_
    FakeOptions options_;
    std::vector<FakeOverride> overrides_;
    std::array<std::atomic<int>, kFakePathKindCount> counts_{};
    std::atomic<std::chrono::steady_clock::rep> lastActivity_;
    HttpServer server_;  // last: stopped first, so no handler outlives the members above
};

// Points the process's http_proxy at the fake service for its lifetime and restores the former
// proxy variables afterwards. Loopback addresses stay direct (no_proxy), so other test servers
// remain reachable.
class HttpProxyGuard {
public:
    explicit HttpProxyGuard(const QString& proxyUrl);
    explicit HttpProxyGuard(const FakeService& service) : HttpProxyGuard(service.proxyUrl()) {}
    ~HttpProxyGuard();
    HttpProxyGuard(const HttpProxyGuard&) = delete;
    HttpProxyGuard& operator=(const HttpProxyGuard&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};
