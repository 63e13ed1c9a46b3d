#include "support/CliRun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <signal.h>

#include <thread>

namespace {

CliResult Run(const QStringList& arguments, const QString& proxyUrl, int timeoutMs,
              const Interrupt* interrupt = nullptr) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"}) {
        environment.remove(QString::fromLatin1(name));
    }
    if (!proxyUrl.isEmpty()) {
        environment.insert(QStringLiteral("http_proxy"), proxyUrl);
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUORVIX_CLI_EXE_PATH), arguments);
    process.closeWriteChannel();
    CliResult result;
    if (interrupt != nullptr && process.waitForStarted()) {
        QElapsedTimer clock;
        clock.start();
        while (!interrupt->when() && clock.elapsed() < timeoutMs &&
               process.state() == QProcess::Running) {
            QThread::msleep(2);
        }
        for (int i = 0; i < interrupt->count && interrupt->signal != 0; ++i) {
            ::kill(static_cast<pid_t>(process.processId()), interrupt->signal);
        }
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

}  // namespace

CliResult RunCli(const QStringList& arguments, const QString& proxyUrl, int timeoutMs) {
    // QProcess starts children with vfork semantics (a clone sharing the address space), which
    // ThreadSanitizer's record of the starting thread does not survive: later locks of that
    // thread go unseen and races are reported where there are none. So the process lives and
    // dies on a thread of its own.
    CliResult result;
    std::thread([&] { result = Run(arguments, proxyUrl, timeoutMs); }).join();
    return result;
}

CliResult RunCliInterrupted(const QStringList& arguments, const QString& proxyUrl,
                            const Interrupt& interrupt, int timeoutMs) {
    CliResult result;
    std::thread([&] { result = Run(arguments, proxyUrl, timeoutMs, &interrupt); }).join();
    return result;
}
