#include "support/ChildProcess.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace {

std::vector<char*> Pointers(std::vector<QByteArray>& texts) {
    std::vector<char*> pointers;
    for (QByteArray& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

QStringList EnvironmentWithout(const QStringList& names) {
    QStringList entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const QString text = QString::fromLocal8Bit(*entry);
        if (!names.contains(text.section(QLatin1Char('='), 0, 0))) {
            entries << text;
        }
    }
    return entries;
}

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const QStringList& environment, bool capture,
                           const QString& workingDirectory) {
    // Everything the child needs is made before the fork: after it, only exec and its kin.
    std::vector<QByteArray> argumentTexts{program.toLocal8Bit()};
    for (const QString& argument : arguments) {
        argumentTexts.push_back(argument.toLocal8Bit());
    }
    std::vector<QByteArray> environmentTexts;
    for (const QString& entry : environment) {
        environmentTexts.push_back(entry.toLocal8Bit());
    }
    std::vector<char*> argv = Pointers(argumentTexts);
    std::vector<char*> envp = Pointers(environmentTexts);
    const QByteArray folder = workingDirectory.toLocal8Bit();
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (capture && (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)) {
        return;
    }
    const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(capture ? out[1] : nothing, STDOUT_FILENO);
        ::dup2(capture ? err[1] : nothing, STDERR_FILENO);
        if (!folder.isEmpty() && ::chdir(folder.constData()) != 0) {
            ::_exit(126);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::execvpe(argv[0], argv.data(), envp.data());  // a program found on PATH
        ::_exit(127);
    }
    ::close(nothing);
    if (capture) {
        ::close(out[1]);
        ::close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
    }
}

ChildProcess::~ChildProcess() {
    if (started() && !ended_) {
        ::kill(pid_, SIGKILL);
        Reap(true);
    }
    for (const int fd : {outFd_, errFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void ChildProcess::Read(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    QByteArray* targets[2] = {&out, &err};
    int* descriptors[2] = {&outFd_, &errFd_};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        char buffer[65536];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            targets[i]->append(buffer, got);
        } else {
            ::close(*descriptors[i]);
            *descriptors[i] = -1;
        }
    }
}

bool ChildProcess::Reap(bool block) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (done != pid_) {
        return false;
    }
    ended_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool ChildProcess::running() {
    return started() && !ended_ && !Reap(false);
}

void ChildProcess::Signal(int signal) {
    if (running()) {
        ::kill(pid_, signal);
    }
}

bool ChildProcess::Wait(int timeoutMs, const std::function<void()>& tick) {
    if (!started()) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (tick) {
            tick();
        }
        if (outFd_ >= 0 || errFd_ >= 0) {
            Read(2);
        } else if (running()) {
            ::usleep(2000);
        }
        if (outFd_ < 0 && errFd_ < 0 && !running()) {
            return true;
        }
    }
    return !running();
}
