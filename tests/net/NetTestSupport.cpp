#include "NetTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The tests talk to 127.0.0.1 directly; a proxy configured on the machine must not interfere.
class NoProxyEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            unsetenv(name);
        }
    }
};

[[maybe_unused]] ::testing::Environment* const kNoProxy =
    ::testing::AddGlobalTestEnvironment(new NoProxyEnvironment);

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value) : name_(name) {
    setenv(name, value.constData(), 1);
}

ScopedEnv::~ScopedEnv() {
    unsetenv(name_);
}

bool Rendezvous::arriveAndWait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ++waiting_;
    peak_ = std::max(peak_, waiting_);
    arrived_.notify_all();
    const bool all = arrived_.wait_for(lock, timeout, [this] { return peak_ >= count_; });
    --waiting_;
    return all;
}

int Rendezvous::peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
}
