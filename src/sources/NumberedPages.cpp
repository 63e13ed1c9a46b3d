#include "sources/NumberedPages.h"

#include "net/NetworkThread.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStopCheck = std::chrono::milliseconds(50);

}  // namespace

// What the network thread's callbacks hand back, per page number.
struct NumberedPages::State {
    struct Arrival {
        bool ok = false;
        UrlResponse response;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::map<int, Arrival> arrived;
    int inFlight = 0;
    const std::shared_ptr<std::atomic_bool> cancel = std::make_shared<std::atomic_bool>(false);
};

NumberedPages::NumberedPages(RequestFor request, int firstPage, int ahead, unsigned textFlags,
                             int maxRetries, StopCheck stopped)
    : request_(std::move(request)),
      ahead_(std::max(ahead, 1)),
      textFlags_(textFlags),
      maxRetries_(maxRetries),
      stopped_(std::move(stopped)),
      next_(firstPage),
      requested_(firstPage),
      state_(std::make_shared<State>()) {}

NumberedPages::~NumberedPages() {
    state_->cancel->store(true);
    NetworkThread::Instance().Wake();
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [this] { return state_->inFlight == 0; });
}

void NumberedPages::Submit(int page) {
    UrlRequest request = request_(page);
    request.cancel = state_->cancel;
    const std::shared_ptr<State> state = state_;
    {
        std::lock_guard lock(state->mutex);
        ++state->inFlight;
    }
    const bool accepted = FetchUrlAsync(request, 0, [state, page](UrlResponse&& response, bool ok) {
        std::lock_guard lock(state->mutex);
        state->arrived[page] = {ok, std::move(response)};
        --state->inFlight;
        state->changed.notify_all();
    });
    if (!accepted) {
        std::lock_guard lock(state->mutex);
        UrlResponse refused;
        refused.error = QStringLiteral("network stopped");
        refused.errorKind = FetchError::Stopped;
        state->arrived[page] = {false, refused};
        --state->inFlight;
    }
}

PageText NumberedPages::Next() {
    const int page = next_++;
    UrlRequest request = request_(page);  // the address the page is reported under
    for (int retries = 0;;) {
        while (requested_ < page + ahead_) {
            Submit(requested_++);
        }
        State::Arrival arrival;
        {
            std::unique_lock lock(state_->mutex);
            while (!state_->arrived.count(page)) {
                if (stopped_ && stopped_()) {
                    return {false,
                            {},
                            {request.url.trimmed(), QStringLiteral("cancelled"),
                             FetchError::Cancelled, 0}};
                }
                state_->changed.wait_for(lock, kStopCheck);
            }
            arrival = std::move(state_->arrived[page]);
            state_->arrived.erase(page);
        }
        const PageVerdict verdict =
            JudgePage(request, arrival.response, arrival.ok, retries, maxRetries_);
        if (verdict.step == PageVerdict::Text) {
            PageText text;
            text.ok = PageTextOf(request, arrival.response, textFlags_, text.text, text.failure);
            return text;
        }
        if (verdict.step == PageVerdict::Failed) {
            return {false, {}, verdict.failure};
        }
        ++retries;
        const Clock::time_point due = Clock::now() + std::chrono::seconds(verdict.waitSeconds);
        while (Clock::now() < due) {
            if (stopped_ && stopped_()) {
                return {
                    false,
                    {},
                    {request.url.trimmed(), QStringLiteral("cancelled"), FetchError::Cancelled, 0}};
            }
            std::unique_lock lock(state_->mutex);
            state_->changed.wait_until(lock, std::min(due, Clock::now() + kStopCheck));
        }
        Submit(page);
    }
}
