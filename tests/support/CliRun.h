#pragma once
// Runs the terminal front end as a separate process with a given environment.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs quorvix-cli with the arguments; http_proxy points at proxyUrl when it is not empty.
// Standard input is closed. Gives up (exit code -1) after timeoutMs.
CliResult RunCli(const QStringList& arguments, const QString& proxyUrl, int timeoutMs = 60000);

// A signal sent to the program once `when` holds (polled), `count` times; with signal 0 only
// `when` runs (something happens beside the running program).
struct Interrupt {
    std::function<bool()> when;
    int signal = 2;  // SIGINT
    int count = 1;
};
// Runs quorvix-cli as RunCli does and interrupts it.
CliResult RunCliInterrupted(const QStringList& arguments, const QString& proxyUrl,
                            const Interrupt& interrupt, int timeoutMs = 60000);
