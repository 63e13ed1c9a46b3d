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
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Answers worth waiting for: the server asks the client to come back later.
constexpr int kMaxBusyRetries = 3;

// One picture: its addresses (a fallback may follow the first), its file, and how far it got.
struct Picture {
    QStringList addresses;
    QString savePath;
    QString extraHeaders;
    bool onFallback = false;
    int busyRetries = 0;

    QString Address() const { return addresses.value(onFallback ? 1 : 0); }
};

struct Outcome {
    int index = 0;
    bool ok = false;
    int status = 0;
    qint64 bytes = 0;
    QString error;
    QString headers;
};

// A picture waiting for its host to accept requests again.
struct Delayed {
    int index;
    Clock::time_point due;
};

}  // namespace

// The state shared by the job thread (which adds pictures and waits for the end) and the
// network thread (which reports each transfer's outcome and starts the next one at once).
// Everything below the mutex is guarded by it; view calls happen on the job thread only.
class DownloadWorkers::Manager : public std::enable_shared_from_this<Manager> {
public:
    explicit Manager(Harvest& harvest)
        : harvest_(harvest),
          params_(harvest.jobParams),
          cancel_(harvest.stopDownload),
          started_(QDateTime::currentSecsSinceEpoch()) {}

    Harvest& harvest() const { return harvest_; }
    void Add(Picture picture);
    void Finish();
    void Abandon();

private:
    void StartWhatFits();
    void Submit(int index);
    bool HostWaits(const QString& host, Clock::time_point now) const;
    void Arrived(Outcome outcome);
    void Handle(const Outcome& outcome);
    void Done(const Outcome& outcome);
    bool Stopping() const { return cancel_->load() || abandoned_; }
    void ReportFailures(std::unique_lock<std::mutex>& lock);
    void ShowProgress(int finished, int total, qint64 bytes);

    Harvest& harvest_;
    const DownloadParams params_;
    const std::shared_ptr<std::atomic_bool> cancel_;
    const qint64 started_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Picture> pictures_;
    std::deque<int> waiting_;  // listed, not started yet, in batch order
    std::vector<Delayed> delayed_;
    QHash<QString, Clock::time_point> hostWaitsUntil_;
    std::vector<std::pair<QString, QString>> failures_;  // to report: address, reason
    int inFlight_ = 0;
    int finished_ = 0;
    qint64 bytes_ = 0;
    bool abandoned_ = false;
};

void DownloadWorkers::Manager::Add(Picture picture) {
    std::unique_lock lock(mutex_);
    pictures_.push_back(std::move(picture));
    waiting_.push_back(static_cast<int>(pictures_.size()) - 1);
    StartWhatFits();
    ReportFailures(lock);
}

bool DownloadWorkers::Manager::HostWaits(const QString& host, Clock::time_point now) const {
    const auto it = hostWaitsUntil_.constFind(host);
    return it != hostWaitsUntil_.constEnd() && *it > now;
}

// Starts pictures while slots are free: those whose busy wait is over first, then the waiting
// ones in batch order. A picture whose host asked to wait holds back the ones after it.
void DownloadWorkers::Manager::StartWhatFits() {
    if (Stopping()) {
        return;
    }
    const int limit = params_.threadCount;
    const Clock::time_point now = Clock::now();
    for (auto it = delayed_.begin(); it != delayed_.end() && inFlight_ < limit;) {
        if (it->due <= now) {
            Submit(it->index);
            it = delayed_.erase(it);
        } else {
            ++it;
        }
    }
    while (inFlight_ < limit && !waiting_.empty() &&
           !HostWaits(QUrl(pictures_[waiting_.front()].Address()).host(), now)) {
        Submit(waiting_.front());
        waiting_.pop_front();
    }
}

void DownloadWorkers::Manager::Submit(int index) {
    const Picture& picture = pictures_[index];
    UrlRequest request(picture.Address(), picture.savePath, kDefaultTimeoutMs);
    request.readTimeoutMs = static_cast<uint32_t>(params_.timeoutSec) * 1000;
    request.minSizeKb = params_.minSizeKb;
    request.maxSizeKb = params_.maxSizeKb;
    request.extraHeaders = picture.extraHeaders;
    request.failOnHttpError = true;
    request.cancel = cancel_;
    ++inFlight_;
    std::weak_ptr<Manager> self = weak_from_this();
    FetchUrlAsync(request, FETCH_CACHE_WRITE | FETCH_NO_RELOAD,
                  [self, index](UrlResponse&& response, bool ok) {
                      if (const std::shared_ptr<Manager> manager = self.lock()) {
                          manager->Arrived({index, ok, response.statusCode, response.bodyLength,
                                            response.error, response.headers});
                      }
                  });
}

// On the network thread: the outcome of one transfer; the next picture starts at once.
void DownloadWorkers::Manager::Arrived(Outcome outcome) {
    std::lock_guard lock(mutex_);
    --inFlight_;
    Handle(outcome);
    StartWhatFits();
    changed_.notify_all();
}

void DownloadWorkers::Manager::Handle(const Outcome& outcome) {
    Picture& picture = pictures_[outcome.index];
    if (!outcome.ok && Stopping()) {
        Done(outcome);
        return;
    }
    if (!outcome.ok && !picture.onFallback && picture.addresses.size() > 1) {
        picture.onFallback = true;
        Submit(outcome.index);
        return;
    }
    if ((outcome.status == 429 || outcome.status == 503) && picture.busyRetries < kMaxBusyRetries) {
        const int waitSeconds = RetryAfterSeconds(outcome.headers, picture.busyRetries);
        ++picture.busyRetries;
        const Clock::time_point due = Clock::now() + std::chrono::seconds(waitSeconds);
        hostWaitsUntil_.insert(QUrl(picture.Address()).host(), due);
        delayed_.push_back({outcome.index, due});
        return;
    }
    Done(outcome);
}

void DownloadWorkers::Manager::Done(const Outcome& outcome) {
    ++finished_;
    if (outcome.ok) {
        bytes_ += outcome.bytes;
    } else if (!Stopping()) {
        failures_.emplace_back(pictures_[outcome.index].Address(), outcome.error);
    }
}

// Hands the failures noted so far to the view, outside the lock.
void DownloadWorkers::Manager::ReportFailures(std::unique_lock<std::mutex>& lock) {
    if (failures_.empty()) {
        return;
    }
    std::vector<std::pair<QString, QString>> report;
    report.swap(failures_);
    lock.unlock();
    for (const auto& [address, reason] : report) {
        harvest_.view().PictureFailed(address, reason);
    }
    lock.lock();
}

void DownloadWorkers::Manager::ShowProgress(int finished, int total, qint64 bytes) {
    harvest_.view().SetStatus2(QStringLiteral("已下载%1/%2......").arg(finished).arg(total));
    harvest_.view().DownloadProgress(finished, total, bytes);
}

void DownloadWorkers::Manager::Finish() {
    std::unique_lock lock(mutex_);
    const int total = static_cast<int>(pictures_.size());
    if (total == 0 || params_.threadCount == 0) {
        return;
    }
    int shown = 0;
    while (finished_ < total && !(Stopping() && inFlight_ == 0)) {
        StartWhatFits();  // pictures whose busy wait is over
        ReportFailures(lock);
        if (finished_ != shown) {
            shown = finished_;
            const qint64 bytes = bytes_;
            lock.unlock();
            ShowProgress(shown, total, bytes);
            lock.lock();
            continue;
        }
        Clock::time_point wakeAt = Clock::now() + std::chrono::milliseconds(100);
        for (const Delayed& delayed : delayed_) {
            wakeAt = std::min(wakeAt, delayed.due);
        }
        changed_.wait_until(lock, wakeAt);
    }
    ReportFailures(lock);
    const int finished = finished_;
    const qint64 bytes = bytes_;
    lock.unlock();
    if (finished != shown) {
        ShowProgress(finished, total, bytes);
    }
    ShowProgress(finished, total, bytes);  // once more at the end
    harvest_.view().DownloadFinished(QDateTime::currentSecsSinceEpoch() - started_, total);
}

void DownloadWorkers::Manager::Abandon() {
    std::unique_lock lock(mutex_);
    abandoned_ = true;
    changed_.wait(lock, [this] { return inFlight_ == 0; });
}

DownloadWorkers::DownloadWorkers(Harvest& harvest) : manager_(std::make_shared<Manager>(harvest)) {
    harvest.stopDownload->store(false);
    if (harvest.jobState.load() == JOB_STOP_REQUESTED) {
        harvest.stopDownload->store(true);  // the stop arrived just before the workers
    }
    harvest.downloadRunning = true;
}

DownloadWorkers::~DownloadWorkers() {
    manager_->Abandon();
    manager_->harvest().downloadRunning = false;
}

void DownloadWorkers::Add(int index) {
    const DownloadBatch& batch = manager_->harvest().batch;
    Picture picture;
    picture.addresses = batch.addresses[index].split(QStringLiteral("\r\n"));
    picture.addresses = picture.addresses.mid(0, 2);
    picture.savePath = batch.albumFolder + batch.fileNames[index];
    picture.extraHeaders = batch.extraHeaders.value(index);
    manager_->Add(std::move(picture));
}

void DownloadWorkers::Finish() {
    manager_->Finish();
}

void StartDownloadWorkers(Harvest& harvest) {
    DownloadWorkers workers(harvest);
    for (int i = 0; i < harvest.batch.size(); ++i) {
        workers.Add(i);
    }
    workers.Finish();
}
