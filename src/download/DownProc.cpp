#include "download/DownProc.h"

#include "app/Harvest.h"
#include "download/RetryAfter.h"
#include "net/URLSource2.h"

#include <QDateTime>
#include <QHash>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// Answers worth waiting for: the server asks the client to come back later.
constexpr int kMaxBusyRetries = 3;

struct Outcome {
    int index = 0;
    bool ok = false;
    int status = 0;
    qint64 bytes = 0;
    QString error;
    QString headers;
};

// One picture's progress through its addresses and busy retries.
struct PictureState {
    bool onFallback = false;
    int busyRetries = 0;
};

// A picture waiting for its host to accept requests again.
struct Delayed {
    int index;
    Clock::time_point due;
};

class WorkerManager {
public:
    explicit WorkerManager(Harvest& harvest)
        : harvest_(harvest),
          batch_(harvest.batch),
          params_(harvest.jobParams),
          total_(harvest.batch.size()),
          slots_(std::min<int>(harvest.jobParams.threadCount, harvest.batch.size())),
          states_(total_) {}

    void Run();

private:
    QString AddressOf(int index) const;
    QString HostOf(int index) const;
    bool HasFallback(int index) const {
        return batch_.addresses[index].contains(QLatin1String("\r\n"));
    }
    void Submit(int index);
    void StartWhatFits();
    bool HostWaits(const QString& host) const;
    void Handle(const Outcome& outcome);
    void Finish(const Outcome& outcome);
    void ShowProgress(bool force);
    void WaitForOutcomes(std::deque<Outcome>& outcomes);

    Harvest& harvest_;
    const DownloadBatch& batch_;
    const DownloadParams params_;
    const int total_;
    const int slots_;
    std::vector<PictureState> states_;

    int next_ = 0;      // next batch index to start
    int inFlight_ = 0;  // transfers handed to the network thread, not yet reported
    int finished_ = 0;  // pictures done, saved or not
    int lastShown_ = -1;
    qint64 bytes_ = 0;
    std::vector<Delayed> delayed_;
    QHash<QString, Clock::time_point> hostWaitsUntil_;

    std::mutex mutex_;  // guards outcomes_, which the network thread fills
    std::condition_variable arrived_;
    std::deque<Outcome> outcomes_;
};

QString WorkerManager::AddressOf(int index) const {
    const QString& entry = batch_.addresses[index];
    const qsizetype split = entry.indexOf(QLatin1String("\r\n"));
    if (split < 0) {
        return entry;
    }
    return states_[index].onFallback ? entry.mid(split + 2) : entry.left(split);
}

QString WorkerManager::HostOf(int index) const {
    return QUrl(AddressOf(index)).host();
}

bool WorkerManager::HostWaits(const QString& host) const {
    const auto it = hostWaitsUntil_.constFind(host);
    return it != hostWaitsUntil_.constEnd() && *it > Clock::now();
}

void WorkerManager::Submit(int index) {
    UrlRequest request(AddressOf(index), batch_.albumFolder + batch_.fileNames[index],
                       kDefaultTimeoutMs);
    request.readTimeoutMs = static_cast<uint32_t>(params_.timeoutSec) * 1000;
    request.minSizeKb = params_.minSizeKb;
    request.maxSizeKb = params_.maxSizeKb;
    request.extraHeaders = batch_.extraHeaders.value(index);
    request.failOnHttpError = true;
    request.cancel = harvest_.stopDownload;
    ++inFlight_;
    FetchUrlAsync(
        request, FETCH_CACHE_WRITE | FETCH_NO_RELOAD,
        [this, index](UrlResponse&& response, bool ok) {
            Outcome outcome{
                index,           ok, response.statusCode, response.bodyLength, response.error,
                response.headers};
            std::lock_guard lock(mutex_);
            outcomes_.push_back(std::move(outcome));
            arrived_.notify_one();
        });
}

// Starts pictures while slots are free: pictures whose busy wait is over first, then the next
// ones in batch order. A picture whose host asked to wait holds back the ones after it.
void WorkerManager::StartWhatFits() {
    const Clock::time_point now = Clock::now();
    for (auto it = delayed_.begin(); it != delayed_.end() && inFlight_ < slots_;) {
        if (it->due <= now) {
            Submit(it->index);
            it = delayed_.erase(it);
        } else {
            ++it;
        }
    }
    while (inFlight_ < slots_ && next_ < total_ && !HostWaits(HostOf(next_))) {
        Submit(next_++);
    }
}

void WorkerManager::Handle(const Outcome& outcome) {
    PictureState& state = states_[outcome.index];
    if (!outcome.ok && harvest_.stopDownload->load()) {
        Finish(outcome);
        return;
    }
    if (!outcome.ok && !state.onFallback && HasFallback(outcome.index)) {
        state.onFallback = true;
        Submit(outcome.index);
        return;
    }
    if ((outcome.status == 429 || outcome.status == 503) && state.busyRetries < kMaxBusyRetries) {
        const int waitSeconds = RetryAfterSeconds(outcome.headers, state.busyRetries);
        ++state.busyRetries;
        const Clock::time_point due = Clock::now() + std::chrono::seconds(waitSeconds);
        hostWaitsUntil_.insert(HostOf(outcome.index), due);
        delayed_.push_back({outcome.index, due});
        return;
    }
    Finish(outcome);
}

void WorkerManager::Finish(const Outcome& outcome) {
    ++finished_;
    if (outcome.ok) {
        bytes_ += outcome.bytes;
    } else if (!harvest_.stopDownload->load()) {
        harvest_.view().PictureFailed(AddressOf(outcome.index), outcome.error);
    }
}

void WorkerManager::ShowProgress(bool force) {
    if (finished_ == lastShown_ && !force) {
        return;
    }
    lastShown_ = finished_;
    harvest_.view().SetStatus2(QStringLiteral("已下载%1/%2......").arg(finished_).arg(total_));
    harvest_.view().DownloadProgress(finished_, total_, bytes_);
}

void WorkerManager::WaitForOutcomes(std::deque<Outcome>& outcomes) {
    Clock::time_point wakeAt = Clock::now() + std::chrono::milliseconds(100);
    for (const Delayed& delayed : delayed_) {
        wakeAt = std::min(wakeAt, delayed.due);
    }
    std::unique_lock lock(mutex_);
    arrived_.wait_until(lock, wakeAt, [this] { return !outcomes_.empty(); });
    outcomes.swap(outcomes_);
}

void WorkerManager::Run() {
    const qint64 started = QDateTime::currentSecsSinceEpoch();
    harvest_.downloadRunning = true;
    std::deque<Outcome> outcomes;
    while (finished_ < total_) {
        const bool stopping = harvest_.stopDownload->load();
        if (stopping && inFlight_ == 0) {
            break;
        }
        if (!stopping) {
            StartWhatFits();
        }
        WaitForOutcomes(outcomes);
        for (const Outcome& outcome : outcomes) {
            --inFlight_;
            Handle(outcome);
        }
        outcomes.clear();
        ShowProgress(false);
    }
    ShowProgress(true);
    harvest_.view().DownloadFinished(QDateTime::currentSecsSinceEpoch() - started, total_);
    harvest_.downloadRunning = false;
}

}  // namespace

void StartDownloadWorkers(Harvest& harvest) {
    harvest.stopDownload->store(false);
    if (harvest.jobState.load() == JOB_STOP_REQUESTED) {
        harvest.stopDownload->store(true);  // the stop arrived just before the workers
        return;
    }
    if (harvest.jobParams.threadCount == 0 || harvest.batch.size() == 0) {
        return;
    }
    WorkerManager(harvest).Run();
}
