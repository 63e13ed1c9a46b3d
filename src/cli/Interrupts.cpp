#include "cli/Interrupts.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> status{0};
std::mutex handlerMutex;
std::function<void()> stopHandler;  // guarded by handlerMutex

sigset_t Watched() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void Watch() {
    const sigset_t set = Watched();
    for (int seen = 0;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        const int exitStatus = 128 + signal;
        if (++seen > 1) {
            _exit(exitStatus);  // the second interrupt: at once
        }
        status = exitStatus;
        std::lock_guard lock(handlerMutex);
        if (stopHandler) {
            stopHandler();
        }
    }
}

}  // namespace

namespace Interrupts {

void Install() {
    const sigset_t set = Watched();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(Watch).detach();
}

void SetStopHandler(std::function<void()> handler) {
    std::lock_guard lock(handlerMutex);
    stopHandler = std::move(handler);
}

int ExitStatus() {
    return status.load();
}

}  // namespace Interrupts
