#pragma once
// Helpers shared by the fetcher tests.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "net/URLSource2.h"

// A request with short time-outs and no retry pause, for exchanges that fail on purpose.
inline UrlRequest QuickRequest(const QString& url, uint32_t timeoutMs = 3000) {
    UrlRequest request(url, QString(), timeoutMs);
    request.retryDelaySec = 0;
    return request;
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();

private:
    const char* name_;
};

// Lets handlers on several connections wait until `count` of them have arrived.
class Rendezvous {
public:
    explicit Rendezvous(int count) : count_(count) {}
    // True when all arrived within the time-out.
    bool arriveAndWait(std::chrono::milliseconds timeout);
    int peak() const;  // most handlers that were waiting at once

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    int count_;
    int waiting_ = 0;
    int peak_ = 0;
};
