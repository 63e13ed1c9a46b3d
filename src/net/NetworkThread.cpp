#include "net/NetworkThread.h"

#include <algorithm>
#include <future>

#include "net/Transfer.h"

Q_LOGGING_CATEGORY(lcNet, "quorvix.net", QtInfoMsg)

namespace {

constexpr size_t kMaxActive = 64;  // transfers handed to libcurl at once; the rest queue
constexpr long kMaxIdleConnections = 32;
constexpr auto kCancelPoll = std::chrono::milliseconds(50);
constexpr int kIdleWaitMs = 60000;  // a Post wakes the loop earlier

}  // namespace

namespace {

std::atomic<NetworkThread*> started{nullptr};

}  // namespace

NetworkThread& NetworkThread::Instance() {
    // The object is never deleted: a job thread that still fetches while the process exits finds
    // a stopped network thread ("network stopped"), not a destroyed object.
    static NetworkThread* const instance = [] {
        auto* made = new NetworkThread;
        started = made;
        return made;
    }();
    return *instance;
}

bool NetworkThread::ShutdownIfStarted(std::chrono::milliseconds deadline) {
    NetworkThread* net = started.load();
    return net == nullptr || net->Shutdown(deadline);
}

NetworkThread::NetworkThread() {
    // The logging category is made first, so that it outlives the stop at exit.
    qCDebug(lcNet) << "network thread starting";
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kMaxIdleConnections);
    share_ = curl_share_init();
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    cookieHandle_ = curl_easy_init();
    curl_easy_setopt(cookieHandle_, CURLOPT_SHARE, share_);
    curl_easy_setopt(cookieHandle_, CURLOPT_COOKIEFILE, "");
    thread_ = std::thread(&NetworkThread::Run, this);
    threadId_ = thread_.get_id();
}

bool NetworkThread::Shutdown(std::chrono::milliseconds deadline) {
    if (IsCurrent()) {
        return false;  // the thread cannot wait for itself
    }
    {
        std::lock_guard lock(mutex_);
        if (!closed_ && !quitRequested_) {
            quitRequested_ = true;
            curl_multi_wakeup(multi_);
        }
    }
    std::unique_lock lock(endedMutex_);
    if (!endedChanged_.wait_for(lock, deadline, [this] { return ended_; })) {
        qCWarning(lcNet) << "network thread did not stop in time";
        return false;
    }
    lock.unlock();
    static std::once_flag joined;
    std::call_once(joined, [this] {
        thread_.join();
        curl_global_cleanup();
    });
    return true;
}

void NetworkThread::Wake() {
    std::lock_guard lock(mutex_);
    if (!closed_) {
        curl_multi_wakeup(multi_);
    }
}

bool NetworkThread::Post(Task task) {
    std::lock_guard lock(mutex_);
    if (closed_) {
        return false;
    }
    tasks_.push_back(std::move(task));
    // Under the lock, so the multi handle cannot be released meanwhile.
    curl_multi_wakeup(multi_);
    return true;
}

bool NetworkThread::RunAndWait(const Task& task) {
    if (IsCurrent()) {
        task();
        return true;
    }
    std::promise<void> ran;
    std::future<void> done = ran.get_future();
    if (!Post([&task, &ran] {
            task();
            ran.set_value();
        })) {
        return false;
    }
    done.wait();
    return true;
}

bool NetworkThread::Submit(std::unique_ptr<Transfer> transfer) {
    auto holder = std::make_shared<std::unique_ptr<Transfer>>(std::move(transfer));
    return Post([this, holder] { Start(std::move(*holder)); });
}

void NetworkThread::Start(std::unique_ptr<Transfer> transfer) {
    if (stopping_) {
        transfer->Finish(CURLE_OK, "network stopped");
        return;
    }
    pending_.push_back(std::move(transfer));
}

void NetworkThread::AddTimer(Clock::time_point when, Task task,
                             std::shared_ptr<std::atomic_bool> cancel) {
    timers_.push_back({when, std::move(task), std::move(cancel)});
}

void NetworkThread::Run() {
    for (;;) {
        RunTasks();
        {
            std::lock_guard lock(mutex_);
            if (quitRequested_) {
                break;
            }
        }
        StartPending();
        int running = 0;
        curl_multi_perform(multi_, &running);
        CollectFinished();
        const Clock::time_point now = Clock::now();
        AbortStalled(now);
        RunDueTimers(now);
        curl_multi_poll(multi_, nullptr, 0, PollTimeoutMs(Clock::now()), nullptr);
    }
    ReleaseAll();
    std::lock_guard lock(endedMutex_);
    ended_ = true;
    endedChanged_.notify_all();
}

void NetworkThread::RunTasks() {
    std::vector<Task> tasks;
    {
        std::lock_guard lock(mutex_);
        tasks.swap(tasks_);
    }
    for (Task& task : tasks) {
        task();
    }
}

void NetworkThread::StartPending() {
    while (!pending_.empty() && active_.size() < kMaxActive) {
        std::unique_ptr<Transfer> transfer = std::move(pending_.front());
        pending_.pop_front();
        if (const char* reason = transfer->CancelReason()) {
            transfer->Finish(CURLE_OK, reason);  // cancelled while queued
            continue;
        }
        if (!transfer->Prepare(share_)) {
            transfer->Finish(CURLE_FAILED_INIT);
            continue;
        }
        transfer->Started(Clock::now());
        if (curl_multi_add_handle(multi_, transfer->Handle()) != CURLM_OK) {
            transfer->Finish(CURLE_FAILED_INIT, "cannot start a transfer");
            continue;
        }
        active_.push_back(std::move(transfer));
    }
}

void NetworkThread::Remove(Transfer* transfer) {
    curl_multi_remove_handle(multi_, transfer->Handle());
}

void NetworkThread::CollectFinished() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        const auto found = std::find_if(active_.begin(), active_.end(), [&](const auto& t) {
            return t->Handle() == message->easy_handle;
        });
        if (found == active_.end()) {
            continue;
        }
        const CURLcode code = message->data.result;
        std::unique_ptr<Transfer> transfer = std::move(*found);
        active_.erase(found);
        Remove(transfer.get());
        transfer->Finish(code);
    }
}

void NetworkThread::AbortStalled(Clock::time_point now) {
    for (size_t i = 0; i < active_.size();) {
        const char* reason = active_[i]->AbortReason(now);
        if (reason == nullptr) {
            ++i;
            continue;
        }
        std::unique_ptr<Transfer> transfer = std::move(active_[i]);
        active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
        Remove(transfer.get());
        transfer->Finish(CURLE_OK, reason);
    }
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (const char* reason = (*it)->CancelReason()) {
            std::unique_ptr<Transfer> transfer = std::move(*it);
            it = pending_.erase(it);
            transfer->Finish(CURLE_OK, reason);
        } else {
            ++it;
        }
    }
}

void NetworkThread::RunDueTimers(Clock::time_point now) {
    std::vector<Task> due;
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->Due(now)) {
            due.push_back(std::move(it->task));
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
    for (Task& task : due) {
        task();
    }
}

int NetworkThread::PollTimeoutMs(Clock::time_point now) const {
    if (!pending_.empty() && active_.size() < kMaxActive) {
        return 0;
    }
    Clock::time_point next = Clock::time_point::max();
    if (!active_.empty() || !pending_.empty()) {
        next = now + kCancelPoll;  // cancel flags are polled
    }
    for (const auto& transfer : active_) {
        next = std::min(next, transfer->Deadline());
    }
    for (const Timer& timer : timers_) {
        next = std::min(next, timer.cancel ? std::min(timer.when, now + kCancelPoll) : timer.when);
    }
    if (next == Clock::time_point::max()) {
        return kIdleWaitMs;
    }
    if (next <= now) {
        return 0;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::min<decltype(wait)>(wait, kIdleWaitMs));
}

void NetworkThread::ReleaseAll() {
    stopping_ = true;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    // Tasks handed over before the close still run; their transfers fail at once.
    RunTasks();
    for (auto& transfer : active_) {
        Remove(transfer.get());
        transfer->Finish(CURLE_OK, "network stopped");
    }
    active_.clear();
    while (!pending_.empty() || !timers_.empty()) {
        std::deque<std::unique_ptr<Transfer>> pending;
        pending.swap(pending_);
        for (auto& transfer : pending) {
            transfer->Finish(CURLE_OK, "network stopped");
        }
        RunDueTimers(Clock::time_point::max());
    }
    if (exitHook_) {
        exitHook_();
    }
    curl_easy_cleanup(cookieHandle_);
    curl_multi_cleanup(multi_);
    curl_share_cleanup(share_);
}
