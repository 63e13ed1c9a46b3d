#pragma once
// What the network thread hands back to a download job: the outcome of each page and picture
// request. The network thread only appends and wakes; everything else happens on the job's
// thread.

#include "net/URLSource2.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

struct Completion {
    enum Kind : uint8_t { Page, Picture, Rpc } kind = Page;
    int album = 0;    // the album's index in the job
    int request = 0;  // pictures: the job's number of the request; Rpc: the call's number
    bool ok = false;
    UrlResponse response;
};

class CompletionQueue {
public:
    using Clock = std::chrono::steady_clock;

    // From any thread (the network thread): hands one outcome over and wakes the job.
    void Push(Completion completion);
    // Wakes the job without an outcome (a stop).
    void Wake();
    // Waits until something arrived, Wake was called or `until` passed; returns what arrived.
    std::vector<Completion> Wait(Clock::time_point until);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Completion> arrived_;
    bool woken_ = false;
};
