#include "support/CliRun.h"

#include <QProcess>
#include <QProcessEnvironment>

CliResult RunCli(const QStringList& arguments, const QString& proxyUrl, int timeoutMs) {
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
