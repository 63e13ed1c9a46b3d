#include "fakeservice/FakeService.h"

#include "fakeservice/FakeAnswer.h"
#include "fakeservice/PictureStream.h"

#include <cstdlib>

namespace {

// A stalled reply waits this long at most; stopping the server ends the wait earlier.
constexpr std::chrono::minutes kStallLimit{30};

QByteArray HeadBlock(const FakeReply& reply) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) +
                      (reply.status == 200 ? " OK\r\n" : " Status\r\n");
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
    }
    return head + "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
}

bool HasHeader(const FakeReply& reply, const QByteArray& name) {
    for (const auto& header : reply.headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// The reply's headers (and "Connection: close" when they announce no length), then its body over
// and over until the client gives up or the server stops.
void SendEndless(const FakeReply& reply, HttpExchange& exchange) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " OK\r\n";
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
    }
    if (!HasHeader(reply, "Content-Length")) {
        head += "Connection: close\r\n";
    }
    bool open = exchange.sendRaw(head + "\r\n");
    while (open && !reply.body.isEmpty() && exchange.stall(std::chrono::milliseconds(0))) {
        open = exchange.sendRaw(reply.body);
    }
    exchange.close();
}

// The head, then the body in pieces of 16 KiB at the reply's rate.
void SendPaced(const FakeReply& reply, HttpExchange& exchange) {
    constexpr qsizetype kPiece = 16 * 1024;
    const auto pause =
        std::chrono::milliseconds(std::max<qint64>(kPiece * 1000 / 1024 / reply.kibPerSec, 1));
    QByteArray head = HeadBlock(reply);
    bool open = exchange.sendRaw(head);
    for (qsizetype at = 0; open && at < reply.body.size(); at += kPiece) {
        open = exchange.stall(pause) && exchange.sendRaw(reply.body.mid(at, kPiece));
    }
    exchange.close();
}

void Send(const FakeReply& reply, HttpExchange& exchange) {
    if (reply.latencyMs > 0 && !exchange.stall(std::chrono::milliseconds(reply.latencyMs))) {
        exchange.close();
        return;
    }
    if (reply.stream) {
        if (!SendStreamed(reply, exchange)) {
            exchange.close();
        }
        return;
    }
    const QByteArray part = HeadBlock(reply) + reply.body.left(reply.faultAfter);
    switch (reply.fault) {
        case FakeFault::None:
            if (reply.kibPerSec > 0) {
                SendPaced(reply, exchange);
            } else {
                exchange.respond(reply.status, reply.body, reply.headers);
            }
            break;
        case FakeFault::StallBeforeHeaders:
            exchange.stall(kStallLimit);
            exchange.close();
            break;
        case FakeFault::StallMidBody:
            exchange.sendRaw(part);
            exchange.stall(kStallLimit);
            exchange.close();
            break;
        case FakeFault::ResetMidBody:
            exchange.sendRaw(part);
            exchange.reset();
            break;
        case FakeFault::ShortBody:
            exchange.sendRaw(part);
            exchange.close();
            break;
        case FakeFault::EndlessBody:
            SendEndless(reply, exchange);
            break;
    }
}

std::chrono::steady_clock::rep Now() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

}  // namespace

FakeService::FakeService(const FakeOptions& options)
    : options_(options),
      lastActivity_(Now()),
      server_([this](const HttpRequest& request, HttpExchange& exchange) {
          handle(request, exchange);
      }) {}

FakeOptions FakeService::options() const {
    std::lock_guard lock(mutex_);
    return options_;
}

void FakeService::setOptions(const FakeOptions& options) {
    std::lock_guard lock(mutex_);
    options_ = options;
}

int FakeService::requestCount(FakePathKind kind) const {
    return counts_[static_cast<size_t>(kind)].load();
}

int FakeService::totalRequests() const {
    int total = 0;
    for (const std::atomic<int>& count : counts_) {
        total += count.load();
    }
    return total;
}

void FakeService::resetCounters() {
    for (std::atomic<int>& count : counts_) {
        count = 0;
    }
}

std::chrono::steady_clock::time_point FakeService::lastActivity() const {
    return std::chrono::steady_clock::time_point(
        std::chrono::steady_clock::duration(lastActivity_.load()));
}

void FakeService::touch() {
    lastActivity_ = Now();
}

void FakeService::overrideNext(const FakeOverride& override) {
    std::lock_guard lock(mutex_);
    overrides_.push_back(override);
}

bool FakeService::TakeOverride(const FakeRequest& request, FakeReply& reply) {
    std::lock_guard lock(mutex_);
    for (auto it = overrides_.begin(); it != overrides_.end(); ++it) {
        if (it->kind != reply.kind || !request.target.contains(it->targetContains)) {
            continue;
        }
        if (!it->contentType.isEmpty()) {
            reply.setHeader("Content-Type", it->contentType);
            if (!it->body.isEmpty()) {
                reply.body = it->body;
                reply.stream.reset();
            }
        } else if (it->fault != FakeFault::None) {
            reply.fault = it->fault;
            reply.faultAfter = reply.body.size() / 2;
            reply.stream.reset();
        } else {
            reply = StatusReply(reply, *it);
        }
        if (--it->times <= 0) {
            overrides_.erase(it);
        }
        return true;
    }
    return false;
}

FakeReply FakeService::StatusReply(const FakeReply& original, const FakeOverride& override) {
    FakeReply replaced;
    replaced.kind = original.kind;
    replaced.status = override.status;
    replaced.latencyMs = original.latencyMs;
    replaced.setHeader("Content-Type", "text/html; charset=utf-8");
    if (!override.retryAfter.isEmpty()) {
        replaced.setHeader("Retry-After", override.retryAfter);
    }
    replaced.body = "<html><body>status " + QByteArray::number(override.status) + "</body></html>";
    return replaced;
}

void FakeService::handle(const HttpRequest& request, HttpExchange& exchange) {
    touch();
    FakeRequest fake;
    fake.method = request.method;
    fake.host = request.host;
    fake.target = request.path;
    fake.headers = request.headers;
    fake.body = request.body;
    FakeReply reply = Answer(fake, options());
    TakeOverride(fake, reply);
    ++counts_[static_cast<size_t>(reply.kind)];
    Send(reply, exchange);
    touch();
}

HttpProxyGuard::HttpProxyGuard(const QString& proxyUrl) {
    for (const char* name : {"http_proxy", "no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        saved_.emplace_back(name, value ? std::optional<QByteArray>(value) : std::nullopt);
    }
    setenv("http_proxy", proxyUrl.toUtf8().constData(), 1);
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    unsetenv("NO_PROXY");
}

HttpProxyGuard::~HttpProxyGuard() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            setenv(name, value->constData(), 1);
        } else {
            unsetenv(name);
        }
    }
}
