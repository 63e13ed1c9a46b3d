#include "support/CliRun.h"

#include "support/ChildProcess.h"

#include <signal.h>

namespace {

CliResult Run(const QStringList& arguments, const QString& proxyUrl, int timeoutMs,
              const Interrupt* interrupt = nullptr) {
    QStringList environment = EnvironmentWithout(
        {QStringLiteral("http_proxy"), QStringLiteral("https_proxy"), QStringLiteral("HTTPS_PROXY"),
         QStringLiteral("all_proxy"), QStringLiteral("ALL_PROXY"), QStringLiteral("no_proxy"),
         QStringLiteral("NO_PROXY")});
    if (!proxyUrl.isEmpty()) {
        environment << QStringLiteral("http_proxy=") + proxyUrl;
    }
    ChildProcess process(QStringLiteral(QUORVIX_CLI_EXE_PATH), arguments, environment);
    CliResult result;
    bool interrupted = interrupt == nullptr;
    const bool ended = process.Wait(timeoutMs, [&] {
        if (!interrupted && interrupt->when()) {
            interrupted = true;
            for (int i = 0; i < interrupt->count && interrupt->signal != 0; ++i) {
                process.Signal(interrupt->signal);
            }
        }
    });
    if (!ended) {
        return result;  // the child is killed as the process object goes
    }
    result.exitCode = process.exitCode();
    result.out = process.out;
    result.err = process.err;
    return result;
}

}  // namespace

CliResult RunCli(const QStringList& arguments, const QString& proxyUrl, int timeoutMs) {
    return Run(arguments, proxyUrl, timeoutMs);
}

CliResult RunCliInterrupted(const QStringList& arguments, const QString& proxyUrl,
                            const Interrupt& interrupt, int timeoutMs) {
    return Run(arguments, proxyUrl, timeoutMs, &interrupt);
}
