#pragma once
// A real aria2 daemon for the tests: aria2c with its JSON-RPC on a free loopback port and a
// random secret, fetching through the given proxy (the fake service). It ends with the object,
// or with the test process (--stop-with-process).

#include "support/ChildProcess.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

#include <memory>
#include <optional>

class Aria2Daemon {
public:
    explicit Aria2Daemon(const QString& proxyUrl);
    ~Aria2Daemon();
    Aria2Daemon(const Aria2Daemon&) = delete;
    Aria2Daemon& operator=(const Aria2Daemon&) = delete;

    // Whether it started and answers; why not otherwise.
    bool ready() const { return ready_; }
    QString failure() const { return failure_; }
    QString rpc() const;
    QString secret() const { return secret_; }
    // One call with the secret; nullopt when it failed.
    std::optional<QJsonValue> Call(const QString& method, const QJsonArray& params = {}) const;
    // The downloads it has active or waiting.
    int Pending() const;

private:
    std::unique_ptr<ChildProcess> process_;
    quint16 port_ = 0;
    QString secret_;
    bool ready_ = false;
    QString failure_;
};

// A loopback port nothing listens on at the moment.
quint16 FreeLoopbackPort();
