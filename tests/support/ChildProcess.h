#pragma once
// A program the tests run, started with fork and exec. QProcess starts children with a clone
// that shares the address space, and ThreadSanitizer loses the starting thread's record of its
// locks across it, then reports races where there are none; a plain fork it follows.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>

class ChildProcess {
public:
    // Starts the program with the arguments and the environment ("NAME=value" entries), standard
    // input from /dev/null; its output is collected when `capture`, else discarded.
    ChildProcess(const QString& program, const QStringList& arguments,
                 const QStringList& environment, bool capture = true,
                 const QString& workingDirectory = QString());
    ~ChildProcess();  // kills it when it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Collects output until the program has ended; `tick` runs every few milliseconds meanwhile.
    // False when it has not ended within the time (it runs on).
    bool Wait(int timeoutMs, const std::function<void()>& tick = {});
    bool running();
    void Signal(int signal);
    // The exit status; -1 when a signal ended it.
    int exitCode() const { return exitCode_; }
    QByteArray out;
    QByteArray err;

private:
    void Read(int timeoutMs);
    bool Reap(bool block);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
};

// The environment of this process without the named variables, as "NAME=value" entries.
QStringList EnvironmentWithout(const QStringList& names);
