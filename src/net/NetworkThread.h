#pragma once
// The process-wide network thread. It owns the libcurl multi handle (transfers, connection pool)
// and the share handle (cookies, DNS cache, TLS sessions), and it is the only thread that calls
// libcurl. Other threads hand work over with Post or RunAndWait. The thread starts on first use;
// its owner (NetworkScope in a program's main) stops it with Shutdown, after which the object
// stays, refusing work.

#include <curl/curl.h>

#include <QLoggingCategory>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcNet)

class Transfer;

class NetworkThread {
public:
    using Clock = std::chrono::steady_clock;
    using Task = std::function<void()>;

    static NetworkThread& Instance();
    // Stops the thread if it was ever started (see Shutdown).
    static bool ShutdownIfStarted(std::chrono::milliseconds deadline);

    // Ends the thread: transfers in flight fail ("network stopped") and their callbacks run, the
    // exit hook runs, later hand-overs are refused. Returns once the thread has ended, or false
    // after `deadline` when it has not (it is then left to end with the process).
    bool Shutdown(std::chrono::milliseconds deadline);
    // Wakes the loop at once, so that cancel flags set just now are acted on without delay.
    void Wake();

    // Runs task on the network thread. False, and the task is dropped, once the thread stops.
    bool Post(Task task);
    // Runs task on the network thread and waits until it has run (at once when called there).
    bool RunAndWait(const Task& task);
    bool IsCurrent() const { return std::this_thread::get_id() == threadId_; }
    // Hands an exchange to the network thread (from any thread). False, and the transfer is
    // dropped without finishing, once the thread stops.
    bool Submit(std::unique_ptr<Transfer> transfer);

    // --- network thread only ---
    // Starts the exchange (queued while too many run). A transfer started while the thread stops
    // finishes at once as a failure.
    void Start(std::unique_ptr<Transfer> transfer);
    // Runs task at `when`, or as soon as the cancel flag (if given) is set; timers still pending
    // when the thread stops run at once.
    void AddTimer(Clock::time_point when, Task task,
                  std::shared_ptr<std::atomic_bool> cancel = nullptr);
    bool Stopping() const { return stopping_; }
    // An easy handle attached to the share, for cookie-list operations; never performed.
    CURL* CookieHandle() const { return cookieHandle_; }
    // Runs when the thread stops, before the share is released (the cookie file is saved there).
    void SetExitHook(Task hook) { exitHook_ = std::move(hook); }

private:
    struct Timer {
        Clock::time_point when;
        Task task;
        std::shared_ptr<std::atomic_bool> cancel;
        bool Due(Clock::time_point now) const { return when <= now || (cancel && *cancel); }
    };

    NetworkThread();
    void Run();
    void RunTasks();
    void StartPending();
    void CollectFinished();
    void AbortStalled(Clock::time_point now);
    void RunDueTimers(Clock::time_point now);
    int PollTimeoutMs(Clock::time_point now) const;
    void Remove(Transfer* transfer);
    void ReleaseAll();

    CURLM* multi_ = nullptr;
    CURLSH* share_ = nullptr;
    CURL* cookieHandle_ = nullptr;

    std::mutex mutex_;  // guards tasks_ and closed_
    std::vector<Task> tasks_;
    bool closed_ = false;  // no more tasks are accepted
    bool quitRequested_ = false;

    // Owned by the network thread.
    bool stopping_ = false;
    std::deque<std::unique_ptr<Transfer>> pending_;
    std::vector<std::unique_ptr<Transfer>> active_;
    std::vector<Timer> timers_;
    Task exitHook_;

    std::thread thread_;
    std::thread::id threadId_;  // set once at start; thread_ itself changes when joined
    std::mutex endedMutex_;     // guards ended_
    std::condition_variable endedChanged_;
    bool ended_ = false;  // Run has returned
};

// Owns the network thread for a program's lifetime: stops it (with a deadline) when the program
// ends, so that cookies are saved and libcurl is released before the process exits.
class NetworkScope {
public:
    NetworkScope() = default;
    ~NetworkScope() { NetworkThread::ShutdownIfStarted(kDeadline); }
    NetworkScope(const NetworkScope&) = delete;
    NetworkScope& operator=(const NetworkScope&) = delete;

    static constexpr std::chrono::milliseconds kDeadline{3000};
};
