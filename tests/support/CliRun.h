#pragma once
// Runs the terminal front end as a separate process with a given environment.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs quorvix-cli with the arguments; http_proxy points at proxyUrl when it is not empty.
// Standard input is closed. Gives up (exit code -1) after timeoutMs.
CliResult RunCli(const QStringList& arguments, const QString& proxyUrl, int timeoutMs = 60000);
