#include "download/JobQueue.h"

void CompletionQueue::Push(Completion completion) {
    {
        std::lock_guard lock(mutex_);
        arrived_.push_back(std::move(completion));
    }
    changed_.notify_one();
}

void CompletionQueue::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    changed_.notify_one();
}

std::vector<Completion> CompletionQueue::Wait(Clock::time_point until) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, until, [this] { return woken_ || !arrived_.empty(); });
    woken_ = false;
    std::vector<Completion> taken;
    taken.swap(arrived_);
    return taken;
}
