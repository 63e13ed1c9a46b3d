#include "support/Aria2Daemon.h"

#include "download/Aria2Rpc.h"
#include "net/URLSource2.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

quint16 FreeLoopbackPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(socket);
    return port;
}

Aria2Daemon::Aria2Daemon(const QString& proxyUrl) {
    port_ = FreeLoopbackPort();
    secret_ = QString::number(QRandomGenerator::global()->generate64(), 16);
    const QStringList arguments = {
        QStringLiteral("--enable-rpc"),
        QStringLiteral("--rpc-listen-all=false"),
        QStringLiteral("--rpc-listen-port=%1").arg(port_),
        QStringLiteral("--rpc-secret=") + secret_,
        QStringLiteral("--all-proxy=") + proxyUrl,
        QStringLiteral("--no-conf"),
        QStringLiteral("--quiet"),
        QStringLiteral("--dir=") + QDir::tempPath(),
        QStringLiteral("--max-concurrent-downloads=16"),
        QStringLiteral("--file-allocation=none"),
        QStringLiteral("--stop-with-process=%1").arg(QCoreApplication::applicationPid()),
    };
    process_ = std::make_unique<ChildProcess>(QStringLiteral("aria2c"), arguments,
                                              EnvironmentWithout({}), false);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && process_->running()) {
        if (Call(QStringLiteral("aria2.getVersion"))) {
            ready_ = true;
            return;
        }
        QThread::msleep(20);
    }
    failure_ = process_->running()
                   ? QStringLiteral("aria2c does not answer on port %1").arg(port_)
                   : QStringLiteral("aria2c does not run (is the aria2 package installed?)");
}

Aria2Daemon::~Aria2Daemon() = default;  // the process object kills it

QString Aria2Daemon::rpc() const {
    return QStringLiteral("http://127.0.0.1:%1/jsonrpc").arg(port_);
}

std::optional<QJsonValue> Aria2Daemon::Call(const QString& method, const QJsonArray& params) const {
    UrlRequest request(rpc(), QString(), 5000);
    request.verb = QStringLiteral("POST");
    request.postBody = Aria2Call(method, secret_, params);
    request.extraHeaders = QStringLiteral("Content-Type: application/json");
    request.direct = true;
    request.retryDelaySec = 0;
    UrlResponse response;
    if (!FetchUrl(request, response, 0)) {
        return std::nullopt;
    }
    QString error;
    return Aria2Result(response.body, error);
}

int Aria2Daemon::Pending() const {
    int pending = 0;
    if (const auto active = Call(QStringLiteral("aria2.tellActive"))) {
        pending += active->toArray().size();
    }
    if (const auto waiting = Call(QStringLiteral("aria2.tellWaiting"), QJsonArray{0, 1000})) {
        pending += waiting->toArray().size();
    }
    return pending;
}
