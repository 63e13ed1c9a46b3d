#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QList>

#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

struct HttpExchange::Connection {
    int id = 0;
    int fd = -1;  // -1 once closed; changed under the server's mutex
    bool done = false;
    std::thread thread;
};

struct HttpExchange::Shared {
    int listenFd = -1;
    int wakeFds[2] = {-1, -1};
    quint16 port = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable stopped;  // wakes stalling handlers
    mutable std::condition_variable arrived;  // wakes waitForRequests
    bool stopping = false;
    std::shared_ptr<const HttpHandler> handler;
    std::vector<HttpRequest> requests;
    bool recording = true;
    int requestCount = 0;
    int connectionCount = 0;
    std::list<Connection> connections;
    std::thread acceptThread;

    void closeConnection(Connection& connection, bool withReset) {
        std::lock_guard lock(mutex);
        if (connection.fd < 0) {
            return;
        }
        if (withReset) {
            linger option{1, 0};
            setsockopt(connection.fd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
        }
        ::close(connection.fd);
        connection.fd = -1;
    }
};

namespace {

constexpr qsizetype kMaxHead = 1 << 20;

bool SendAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= sent;
    }
    return true;
}

// Buffered reading from a connection's socket.
class Reader {
public:
    explicit Reader(int fd) : fd_(fd) {}

    // Bytes up to and including the first occurrence of the delimiter.
    std::optional<QByteArray> readUntil(const QByteArray& delimiter, qsizetype maxSize) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype pos = buffer_.indexOf(delimiter, from);
            if (pos >= 0) {
                return take(pos + delimiter.size());
            }
            if (buffer_.size() > maxSize) {
                return std::nullopt;
            }
            from = std::max<qsizetype>(0, buffer_.size() - delimiter.size() + 1);
            if (!fill()) {
                return std::nullopt;
            }
        }
    }

    std::optional<QByteArray> readBytes(qsizetype count) {
        while (buffer_.size() < count) {
            if (!fill()) {
                return std::nullopt;
            }
        }
        return take(count);
    }

private:
    bool fill() {
        char chunk[65536];
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) {
            return false;
        }
        buffer_.append(chunk, got);
        return true;
    }

    QByteArray take(qsizetype count) {
        QByteArray out = buffer_.left(count);
        buffer_.remove(0, count);
        return out;
    }

    int fd_;
    QByteArray buffer_;
};

const char* ReasonPhrase(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 206:
            return "Partial Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

bool ParseHead(const QByteArray& head, HttpRequest& request) {
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    const QList<QByteArray> parts = lines.value(0).split(' ');
    if (parts.size() != 3) {
        return false;
    }
    request.method = parts[0];
    request.target = parts[1];
    request.version = parts[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) {
            request.headers.emplace_back(lines[i].left(colon), lines[i].mid(colon + 1).trimmed());
        }
    }
    const QByteArray lower = request.target.toLower();
    const qsizetype scheme = lower.indexOf("://");
    if (scheme > 0 && (lower.startsWith("http://") || lower.startsWith("https://"))) {
        request.proxyForm = true;
        qsizetype end = scheme + 3;
        while (end < request.target.size() && request.target[end] != '/' &&
               request.target[end] != '?' && request.target[end] != '#') {
            ++end;
        }
        request.host = request.target.mid(scheme + 3, end - scheme - 3);
        request.path = request.target.mid(end);
        if (!request.path.startsWith('/')) {
            request.path.prepend('/');
        }
    } else {
        request.host = request.header("Host");
        request.path = request.target;
    }
    return true;
}

std::optional<QByteArray> ReadChunkedBody(Reader& reader) {
    QByteArray body;
    for (;;) {
        const std::optional<QByteArray> sizeLine = reader.readUntil("\r\n", 1024);
        if (!sizeLine) {
            return std::nullopt;
        }
        bool ok = false;
        const qsizetype size = sizeLine->split(';').value(0).trimmed().toLongLong(&ok, 16);
        if (!ok) {
            return std::nullopt;
        }
        if (size == 0) {
            break;
        }
        const std::optional<QByteArray> data = reader.readBytes(size + 2);
        if (!data) {
            return std::nullopt;
        }
        body += data->left(size);
    }
    for (;;) {  // trailer lines up to the blank line
        const std::optional<QByteArray> line = reader.readUntil("\r\n", kMaxHead);
        if (!line || *line == "\r\n") {
            return line ? std::optional<QByteArray>(body) : std::nullopt;
        }
    }
}

std::optional<HttpRequest> ReadRequest(Reader& reader, int fd) {
    const std::optional<QByteArray> head = reader.readUntil("\r\n\r\n", kMaxHead);
    HttpRequest request;
    if (!head || !ParseHead(*head, request)) {
        return std::nullopt;
    }
    if (request.header("Expect").toLower().contains("100-continue")) {
        SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n", 25);
    }
    if (request.header("Transfer-Encoding").toLower().contains("chunked")) {
        std::optional<QByteArray> body = ReadChunkedBody(reader);
        if (!body) {
            return std::nullopt;
        }
        request.body = *body;
    } else if (request.hasHeader("Content-Length")) {
        std::optional<QByteArray> body =
            reader.readBytes(request.header("Content-Length").toLongLong());
        if (!body) {
            return std::nullopt;
        }
        request.body = *body;
    }
    return request;
}

bool WantsClose(const HttpRequest& request) {
    const QByteArray connection = request.header("Connection").toLower();
    return connection.contains("close") ||
           (request.version == "HTTP/1.0" && !connection.contains("keep-alive"));
}

}  // namespace

QByteArray HttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return QByteArray();
}

bool HttpRequest::hasHeader(const QByteArray& name) const {
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

HttpExchange::HttpExchange(Shared& server, Connection& connection, HttpRequest request)
    : server_(server), connection_(connection), request_(std::move(request)) {}

bool HttpExchange::respond(int status, const QByteArray& body, const HttpHeaders& headers,
                           bool withLength) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status) + "\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : headers) {
        out += name + ": " + value + "\r\n";
        hasLength = hasLength || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
    }
    if (withLength && !hasLength) {
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    if (!withLength) {
        out += "Connection: close\r\n";
        closeAfter_ = true;
    }
    out += "\r\n";
    if (request_.method != "HEAD") {
        out += body;
    }
    return sendRaw(out);
}

bool HttpExchange::sendRaw(const QByteArray& bytes) {
    answered_ = true;
    return !ended_ && SendAll(connection_.fd, bytes.constData(), bytes.size());
}

bool HttpExchange::stall(std::chrono::milliseconds duration) {
    std::unique_lock lock(server_.mutex);
    return !server_.stopped.wait_for(lock, duration, [this] { return server_.stopping; });
}

void HttpExchange::close() {
    answered_ = true;
    ended_ = true;
    server_.closeConnection(connection_, false);
}

void HttpExchange::reset() {
    answered_ = true;
    ended_ = true;
    server_.closeConnection(connection_, true);
}

HttpServer::HttpServer(HttpHandler handler) : shared_(std::make_unique<HttpExchange::Shared>()) {
    setHandler(std::move(handler));
    HttpExchange::Shared& s = *shared_;
    s.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(s.listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(s.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s.listenFd, 256) != 0 ||
        ::getsockname(s.listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(s.wakeFds) != 0) {
        throw std::runtime_error("cannot start the test HTTP server");
    }
    s.port = ntohs(address.sin_port);
    s.acceptThread = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer() {
    HttpExchange::Shared& s = *shared_;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
    }
    s.stopped.notify_all();
    [[maybe_unused]] const ssize_t written = ::write(s.wakeFds[1], "x", 1);
    s.acceptThread.join();
    {
        std::lock_guard lock(s.mutex);
        for (HttpExchange::Connection& connection : s.connections) {
            if (connection.fd >= 0) {
                ::shutdown(connection.fd, SHUT_RDWR);  // wakes a blocked read or write
            }
        }
    }
    for (HttpExchange::Connection& connection : s.connections) {
        connection.thread.join();
        s.closeConnection(connection, false);
    }
    ::close(s.listenFd);
    ::close(s.wakeFds[0]);
    ::close(s.wakeFds[1]);
}

void HttpServer::acceptLoop() {
    HttpExchange::Shared& s = *shared_;
    for (;;) {
        pollfd fds[2] = {{s.listenFd, POLLIN, 0}, {s.wakeFds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) {
            return;
        }
        const int fd = ::accept4(s.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(s.mutex);
        for (auto it = s.connections.begin(); it != s.connections.end();) {
            if (it->done) {  // finished connections are reaped as new ones arrive
                it->thread.join();
                it = s.connections.erase(it);
            } else {
                ++it;
            }
        }
        HttpExchange::Connection& connection = s.connections.emplace_back();
        connection.id = ++s.connectionCount;
        connection.fd = fd;
        connection.thread = std::thread([this, &connection] { serve(connection); });
    }
}

void HttpServer::serve(HttpExchange::Connection& connection) {
    HttpExchange::Shared& s = *shared_;
    Reader reader(connection.fd);
    for (;;) {
        std::optional<HttpRequest> request = ReadRequest(reader, connection.fd);
        if (!request) {
            break;
        }
        request->connection = connection.id;
        std::shared_ptr<const HttpHandler> handler;
        {
            std::lock_guard lock(s.mutex);
            handler = s.handler;
            ++s.requestCount;
            if (s.recording) {
                s.requests.push_back(*request);
            }
        }
        s.arrived.notify_all();
        HttpExchange exchange(s, connection, std::move(*request));
        try {
            if (*handler) {
                (*handler)(exchange.request(), exchange);
            }
        } catch (...) {
            exchange.close();
        }
        if (!exchange.answered()) {
            exchange.respond(404, "no handler for this request");
        }
        if (exchange.ended_ || exchange.closeAfter_ || WantsClose(exchange.request())) {
            break;
        }
    }
    s.closeConnection(connection, false);
    std::lock_guard lock(s.mutex);
    connection.done = true;
}

void HttpServer::setHandler(HttpHandler handler) {
    auto shared = std::make_shared<const HttpHandler>(std::move(handler));
    std::lock_guard lock(shared_->mutex);
    shared_->handler = std::move(shared);
}

quint16 HttpServer::port() const {
    return shared_->port;
}

QString HttpServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(shared_->port);
}

std::vector<HttpRequest> HttpServer::requests() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->requests;
}

HttpRequest HttpServer::lastRequest() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->requests.empty() ? HttpRequest() : shared_->requests.back();
}

void HttpServer::clearRequests() {
    std::lock_guard lock(shared_->mutex);
    shared_->requests.clear();
}

void HttpServer::setRecording(bool on) {
    std::lock_guard lock(shared_->mutex);
    shared_->recording = on;
}

int HttpServer::requestCount() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->requestCount;
}

int HttpServer::connectionCount() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->connectionCount;
}

bool HttpServer::waitForRequests(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(shared_->mutex);
    return shared_->arrived.wait_for(lock, timeout, [&] { return shared_->requestCount >= count; });
}
