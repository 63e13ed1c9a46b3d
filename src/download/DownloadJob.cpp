#include "download/DownloadJob.h"

#include "download/AddPicture.h"
#include "download/Aria2Handoff.h"
#include "download/Aria2Input.h"
#include "download/DownProc.h"
#include "download/DownloadArchive.h"
#include "download/JobQueue.h"
#include "download/ListFiles.h"
#include "download/Repairs.h"
#include "net/CookieShare.h"
#include "net/NetworkThread.h"
#include "sources/PageFetch.h"
#include "sources/PictureListers.h"
#include "sources/XiangcePictures.h"

#include <QDateTime>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <deque>
#include <set>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

QString MessageTitle() {
    return QStringLiteral("提示");
}

// Pictures listed but not yet ended beyond which no further list page is asked for.
constexpr int kMostPicturesAhead = 4096;
// Pictures an aria2 daemon is given at most at once (it downloads as many at a time as it is set
// to; handing over more only lengthens its queue).
constexpr int kMostHandedOver = 200;

// One album of the job.
struct AlbumRun {
    enum class Listing {
        NotBegun,
        Ready,     // its next page may be asked for
        InFlight,  // its page is being fetched
        Held,      // its page arrived and waits until the albums before it have their folders
        Waiting,   // a busy server is asked again at pageDue
        Ended,
    };

    AlbumNaming naming;
    std::unique_ptr<PictureCursor> cursor;
    int position = 0;  // 1-based
    Listing listing = Listing::NotBegun;
    ListingEnd end = ListingEnd::Complete;
    bool skipRule = false;     // the listing ended at a picture downloaded before
    bool folderBusy = false;   // left out: another download writes into the album's folder
    bool folderFixed = false;  // its first picture was named, or its listing ended
    UrlRequest pageRequest;
    int pageRetries = 0;
    Clock::time_point pageDue;
    QString heldText;
    Clock::time_point began;
    int ended = 0;  // pictures that have ended in any way
    int saved = 0;
    int failed = 0;
    int stopped = 0;                // pictures that the stop left unfinished
    int handedOver = 0;             // pictures left with an aria2 daemon (detached)
    std::vector<int> heldPictures;  // wait for an earlier album in the same folder to finish
    // Pictures this job recorded in the archive, with their file names then (a repair of the
    // extension renames them afterwards).
    std::vector<std::pair<int, QString>> recorded;

    int listed() const { return naming.batch.size(); }
    bool Whole() const {
        return end == ListingEnd::Complete && !folderBusy && failed == 0 && stopped == 0 &&
               handedOver == 0;
    }
};

// A picture whose request is in flight or waits to be repeated.
struct ActivePicture {
    int album = 0;
    int picture = 0;
    PictureTry state;
    Clock::time_point due;  // when a repeated request may go out
};

// A picture listed and not yet started.
struct WaitingPicture {
    int album = 0;
    int picture = 0;
};

}  // namespace

// The job's state while it runs; lives on the job's thread only.
class DownloadJob::Pipeline {
public:
    explicit Pipeline(DownloadJob& job);
    JobResult Run();

private:
    // The sink one album's cursor hands its pictures to.
    class AlbumPictures : public PictureSink {
    public:
        AlbumPictures(Pipeline& pipeline, int album) : pipeline_(pipeline), album_(album) {}
        bool AddPicture(const PictureEntry& entry) override {
            return pipeline_.PictureListedFor(album_, entry);
        }
        bool VerifyAlbum(const QString& albumKey) override { return pipeline_.Verify(albumKey); }

    private:
        Pipeline& pipeline_;
        int album_;
    };

    bool PrepareJobFolder();
    bool OpenArchive();
    bool ConnectAria2();
    bool WriteAria2Input();
    bool Stopping() const { return job_.StopRequested(); }
    bool ListOnly() const { return (job_.inputs_.rules.optionFlags & OPT_LIST_ONLY) != 0; }
    // Nothing is downloaded: address lists, or one aria2 input file, are written instead.
    bool Planning() const { return ListOnly() || !job_.inputs_.aria2Input.isEmpty(); }
    bool Done() const;

    // Scheduling: what goes out when a slot is free.
    void StartRequests();
    bool StartPage();
    bool StartPicture();
    void BeginAlbum(int index);
    void SetListing(int index, AlbumRun::Listing listing);
    void SubmitPage(int index);
    void SubmitPicture(int id);
    Clock::time_point NextWake() const;
    bool SharesFolderWithUnfinished(int index) const;

    // Outcomes.
    void Handle(Completion& completion);
    void PageArrived(int index, bool ok, const UrlResponse& response);
    void TakePage(int index, const QString& text);
    void TakeHeldPages();
    bool PictureListedFor(int index, const PictureEntry& entry);
    bool Verify(const QString& albumKey);
    void EndListing(int index, ListingEnd end);
    void PictureArrived(int id, bool ok, const UrlResponse& response);
    void EndPicture(const ActivePicture& active, PictureOutcome outcome, const QString& reason,
                    const UrlResponse& response);
    bool EndIfArchived(int index, int picture);
    void RecordSaved(AlbumRun& album, int picture, qint64 size);
    void RecordRepairs(AlbumRun& album);
    void ArchiveFailed(const QString& error);
    void ApplyStop();
    void TakeHandedOver(const std::vector<Aria2Ended>& ended);
    void MoveDueWaits(Clock::time_point now);

    // Per-album effects, in album order.
    void FinishAlbumsInOrder();
    void ReleaseHeldPictures();
    void FinishAlbum(AlbumRun& album);

    JobProgress Progress() const { return {listed_, ended_, bytes_}; }

    DownloadJob& job_;
    JobView& view_;
    const DownloadJobInputs& inputs_;
    const int budget_;
    const int lowWater_;  // fewer pictures waiting than this: list pages go first
    NamingJob namingJob_;
    std::unique_ptr<JobFolders> folders_;
    std::unique_ptr<DownloadArchive> archive_;
    std::unique_ptr<Aria2Handoff> handoff_;
    QByteArray aria2Input_;  // the input file's entries so far
    QString service_;        // the archive's name of the albums' service
    std::vector<AlbumRun> albums_;
    JobResult result_;

    int begun_ = 0;         // albums whose listing has begun
    int listing_ = 0;       // albums whose listing runs now
    int firstUnfixed_ = 0;  // the first album whose folder is not fixed yet
    int nextToFinish_ = 0;
    int inFlight_ = 0;
    int handed_ = 0;  // pictures with the aria2 daemon: they take no request slot
    bool stopApplied_ = false;

    std::set<int> readyPages_;   // albums whose next page may be asked for, in album order
    std::set<int> pausedPages_;  // albums whose page waits for a busy server's pause
    std::deque<WaitingPicture> waiting_;
    std::unordered_map<int, ActivePicture> active_;  // by request number
    std::vector<int> delayed_;                       // request numbers waiting for their pause
    std::set<int> heldAlbums_;  // albums with pictures held back for an earlier album
    QHash<QString, Clock::time_point> hostWaitsUntil_;
    int nextRequest_ = 0;

    int listed_ = 0;   // pictures listed
    int ended_ = 0;    // pictures whose transfer ended
    int settled_ = 0;  // pictures that no longer count as listed ahead
    qint64 bytes_ = 0;
};

DownloadJob::Pipeline::Pipeline(DownloadJob& job)
    : job_(job),
      view_(job.view_),
      inputs_(job.inputs_),
      budget_(std::clamp<int>(job.inputs_.params.threadCount, 1, 15)),
      lowWater_(4 * budget_) {
    namingJob_.rules = inputs_.rules;
    namingJob_.accountFolder = inputs_.accountFolder;
    namingJob_.chosenAlbums = static_cast<uint32_t>(inputs_.albums.size());
    namingJob_.listedAlbums = inputs_.listedAlbums;
    result_.albums = static_cast<int>(inputs_.albums.size());
    result_.listOnly = ListOnly();
    result_.minSizeKb = inputs_.params.minSizeKb;
    result_.maxSizeKb = inputs_.params.maxSizeKb;
}

bool DownloadJob::Pipeline::PrepareJobFolder() {
    QString path = inputs_.savePath.trimmed();
    if (path.isEmpty()) {
        view_.ShowMessage(QStringLiteral("请先设置保存路径"), MessageTitle());
        result_.setupFailed = true;
        result_.setupError = QStringLiteral("no save folder given");
        return false;
    }
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    path += inputs_.accountFolder + inputs_.subFolder;
    QString error;
    if (!MakeFolderChain(path, view_, &error)) {
        view_.ShowMessage(QStringLiteral("请检测设置的保存路径是否有误"), MessageTitle());
        result_.setupFailed = true;
        result_.setupError = error;
        return false;
    }
    folders_ = std::make_unique<JobFolders>(path, inputs_.folderRecords, inputs_.listType);
    job_.SetCurrentAlbumFolder(path);
    return true;
}

bool DownloadJob::Pipeline::OpenArchive() {
    if (inputs_.archivePath.isEmpty() || Planning()) {
        return true;  // address lists are written whole, archive or not
    }
    QString error;
    archive_ = DownloadArchive::Open(inputs_.archivePath, error);
    if (!archive_) {
        view_.ShowMessage(
            QStringLiteral("下载记录文件无法使用：%1\n%2").arg(inputs_.archivePath, error),
            MessageTitle());
        result_.setupFailed = true;
        result_.setupError =
            QStringLiteral("download archive %1: %2").arg(inputs_.archivePath, error);
        return false;
    }
    service_ = ArchiveServiceOf(inputs_.listType);
    return true;
}

bool DownloadJob::Pipeline::ConnectAria2() {
    if (!inputs_.aria2.enabled() || Planning()) {
        return true;
    }
    handoff_ = std::make_unique<Aria2Handoff>(inputs_.aria2, inputs_.params, job_.queue_);
    QString error;
    if (!handoff_->Check(error)) {
        view_.ShowMessage(QStringLiteral("无法交给 aria2 下载：%1").arg(error), MessageTitle());
        result_.setupFailed = true;
        result_.setupError = error;
        handoff_.reset();
        return false;
    }
    return true;
}

// The input file is written whole at the end (only its owner may read it: it holds cookies).
bool DownloadJob::Pipeline::WriteAria2Input() {
    QSaveFile file(inputs_.aria2Input);
    if (!file.open(QIODevice::WriteOnly) || file.write(aria2Input_) != aria2Input_.size() ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || !file.commit()) {
        result_.setupError =
            QStringLiteral("cannot write %1: %2").arg(inputs_.aria2Input, file.errorString());
        return false;
    }
    result_.inputFile = inputs_.aria2Input;
    return true;
}

JobResult DownloadJob::Pipeline::Run() {
    if (!PrepareJobFolder() || !OpenArchive() || !ConnectAria2()) {
        return result_;
    }
    view_.JobStarted(result_.albums);
    if (inputs_.albums.isEmpty()) {
        view_.ShowMessage(QStringLiteral("请先选择要下载的相册"), MessageTitle());
    }
    albums_.resize(static_cast<size_t>(inputs_.albums.size()));
    for (size_t i = 0; i < albums_.size(); ++i) {
        albums_[i].naming.album = inputs_.albums[static_cast<qsizetype>(i)];
        albums_[i].naming.batch.albumFolder = folders_->jobFolder();
        albums_[i].position = static_cast<int>(i) + 1;
    }
    for (;;) {
        if (Stopping()) {
            ApplyStop();
        }
        MoveDueWaits(Clock::now());
        FinishAlbumsInOrder();  // a finished album may let the next one sharing its folder go on
        StartRequests();
        if (handoff_) {
            handoff_->Pump(Clock::now());
        }
        if (Done()) {
            break;
        }
        for (Completion& completion : job_.queue_->Wait(NextWake())) {
            Handle(completion);
        }
    }
    result_.stopped = Stopping();
    result_.listed = listed_;
    if (!inputs_.aria2Input.isEmpty() && !WriteAria2Input()) {
        result_.inputFailed = true;
    }
    if (listed_ > 0 && (inputs_.rules.optionFlags & OPT_OPEN_FOLDER)) {
        result_.openFolder = job_.CurrentAlbumFolder();
    }
    return result_;
}

bool DownloadJob::Pipeline::Done() const {
    if (inFlight_ > 0 || handed_ > 0) {
        return false;
    }
    const int last = Stopping() ? begun_ : static_cast<int>(albums_.size());
    return nextToFinish_ >= last;
}

// --- Scheduling ----------------------------------------------------------------------------

void DownloadJob::Pipeline::StartRequests() {
    while (!Stopping() && inFlight_ < budget_) {
        const bool listFirst = static_cast<int>(waiting_.size()) < lowWater_;
        if (listFirst && StartPage()) {
            continue;
        }
        if (StartPicture()) {
            continue;
        }
        if (!listFirst && StartPage()) {
            continue;
        }
        break;
    }
}

bool DownloadJob::Pipeline::StartPage() {
    if (listed_ - settled_ >= kMostPicturesAhead) {
        // Enough listed ahead: the pictures catch up first. The first unfinished album still
        // lists on, since held pictures of later albums wait for it to finish.
        if (readyPages_.count(nextToFinish_) == 0) {
            return false;
        }
        SubmitPage(nextToFinish_);
        return true;
    }
    if (!readyPages_.empty()) {
        SubmitPage(*readyPages_.begin());
        return true;
    }
    if (begun_ < static_cast<int>(albums_.size()) && listing_ < 2 * budget_) {
        const int index = begun_;
        BeginAlbum(index);
        SubmitPage(index);
        return true;
    }
    return false;
}

void DownloadJob::Pipeline::BeginAlbum(int index) {
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    ++begun_;
    ++listing_;
    album.began = Clock::now();
    album.cursor = job_.makeCursor_
                       ? job_.makeCursor_(album.naming.album)
                       : MakePictureCursor(inputs_.listType, album.naming.album, inputs_.forumName);
    album.pageRequest = album.cursor->NextRequest();
    SetListing(index, AlbumRun::Listing::Ready);
    job_.SetCurrentAlbumFolder(album.naming.batch.albumFolder);
    view_.AlbumStarted({album.position, result_.albums, album.naming.album.strName});
}

void DownloadJob::Pipeline::SubmitPage(int index) {
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    UrlRequest request = album.pageRequest;
    request.cancel = job_.stop_;
    const std::shared_ptr<CompletionQueue> queue = job_.queue_;
    const bool accepted =
        FetchUrlAsync(request, 0, [queue, index](UrlResponse&& response, bool ok) {
            queue->Push({Completion::Page, index, 0, ok, std::move(response)});
        });
    if (!accepted) {
        UrlResponse refused;
        refused.error = QStringLiteral("network stopped");
        refused.errorKind = FetchError::Stopped;
        SetListing(index, AlbumRun::Listing::InFlight);
        PageArrived(index, false, refused);
        return;
    }
    SetListing(index, AlbumRun::Listing::InFlight);
    ++inFlight_;
}

bool DownloadJob::Pipeline::StartPicture() {
    if (handoff_ && handed_ >= kMostHandedOver) {
        return false;  // the daemon has enough queued; it runs them at its own pace
    }
    const Clock::time_point now = Clock::now();
    for (auto it = delayed_.begin(); it != delayed_.end(); ++it) {
        if (active_.at(*it).due <= now) {
            const int id = *it;
            delayed_.erase(it);
            SubmitPicture(id);
            return true;
        }
    }
    if (waiting_.empty()) {
        return false;
    }
    // A picture whose host asked to wait holds back the ones after it.
    const WaitingPicture next = waiting_.front();
    const PlannedPicture& picture = albums_[static_cast<size_t>(next.album)]
                                        .naming.batch.pictures[static_cast<size_t>(next.picture)];
    const auto wait = hostWaitsUntil_.constFind(QUrl(picture.addresses.value(0)).host());
    if (wait != hostWaitsUntil_.constEnd() && *wait > now) {
        return false;
    }
    waiting_.pop_front();
    const int id = nextRequest_++;
    active_.emplace(id, ActivePicture{next.album, next.picture, {}, now});
    SubmitPicture(id);
    return true;
}

void DownloadJob::Pipeline::SubmitPicture(int id) {
    const ActivePicture& active = active_.at(id);
    const AlbumRun& album = albums_[static_cast<size_t>(active.album)];
    const PlannedPicture& picture =
        album.naming.batch.pictures[static_cast<size_t>(active.picture)];
    if (handoff_) {
        handoff_->Add(id, picture, picture.addresses.value(active.state.onFallback ? 1 : 0),
                      album.naming.batch.albumFolder + picture.fileName);
        ++handed_;
        return;
    }
    const UrlRequest request = MakePictureRequest(picture, album.naming.batch.albumFolder,
                                                  inputs_.params, active.state, job_.stop_);
    const std::shared_ptr<CompletionQueue> queue = job_.queue_;
    const int albumIndex = active.album;
    const bool accepted = FetchUrlAsync(
        request, kPictureFetchFlags, [queue, albumIndex, id](UrlResponse&& response, bool ok) {
            queue->Push({Completion::Picture, albumIndex, id, ok, std::move(response)});
        });
    if (!accepted) {
        UrlResponse refused;
        refused.error = QStringLiteral("network stopped");
        refused.errorKind = FetchError::Stopped;
        PictureArrived(id, false, refused);
        return;
    }
    ++inFlight_;
}

// Albums without a folder of their own go into the job folder one after the other: names repeat
// across albums, and two pictures of one name must never be written at once.
bool DownloadJob::Pipeline::SharesFolderWithUnfinished(int index) const {
    const QString& folder = albums_[static_cast<size_t>(index)].naming.batch.albumFolder;
    if (folder != folders_->jobFolder()) {
        return false;  // an album's own folder is never given to another album
    }
    for (int i = nextToFinish_; i < index; ++i) {
        if (albums_[static_cast<size_t>(i)].naming.batch.albumFolder == folder) {
            return true;
        }
    }
    return false;
}

Clock::time_point DownloadJob::Pipeline::NextWake() const {
    Clock::time_point next = Clock::now() + std::chrono::hours(1);
    if (inFlight_ < budget_) {  // a due picture waits for a slot, not for the time
        for (int id : delayed_) {
            next = std::min(next, active_.at(id).due);
        }
    }
    for (int i : pausedPages_) {
        next = std::min(next, albums_[static_cast<size_t>(i)].pageDue);
    }
    if (!waiting_.empty() && inFlight_ < budget_) {
        for (const Clock::time_point until : hostWaitsUntil_) {
            if (until > Clock::now()) {
                next = std::min(next, until);
            }
        }
    }
    if (handoff_) {
        next = std::min(next, handoff_->NextPump(Clock::now()));
    }
    return next;
}

void DownloadJob::Pipeline::MoveDueWaits(Clock::time_point now) {
    for (auto it = pausedPages_.begin(); it != pausedPages_.end();) {
        const int index = *it++;
        if (albums_[static_cast<size_t>(index)].pageDue <= now) {
            SetListing(index, AlbumRun::Listing::Ready);
        }
    }
}

void DownloadJob::Pipeline::SetListing(int index, AlbumRun::Listing listing) {
    albums_[static_cast<size_t>(index)].listing = listing;
    if (listing == AlbumRun::Listing::Ready) {
        readyPages_.insert(index);
    } else {
        readyPages_.erase(index);
    }
    if (listing == AlbumRun::Listing::Waiting) {
        pausedPages_.insert(index);
    } else {
        pausedPages_.erase(index);
    }
}

// --- Outcomes ------------------------------------------------------------------------------

void DownloadJob::Pipeline::Handle(Completion& completion) {
    if (completion.kind == Completion::Rpc) {
        if (handoff_) {
            TakeHandedOver(handoff_->Take(completion));
        }
        return;
    }
    --inFlight_;
    if (completion.kind == Completion::Page) {
        PageArrived(completion.album, completion.ok, completion.response);
    } else {
        PictureArrived(completion.request, completion.ok, completion.response);
    }
}

void DownloadJob::Pipeline::PageArrived(int index, bool ok, const UrlResponse& response) {
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    if (Stopping()) {
        EndListing(index, ListingEnd::Stopped);
        return;
    }
    const PageVerdict verdict =
        JudgePage(album.pageRequest, response, ok, album.pageRetries, inputs_.retries);
    if (verdict.step == PageVerdict::Retry) {
        ++album.pageRetries;
        album.pageDue = Clock::now() + std::chrono::seconds(verdict.waitSeconds);
        SetListing(index, AlbumRun::Listing::Waiting);
        return;
    }
    QString text;
    PageFailure failure = verdict.failure;
    if (verdict.step == PageVerdict::Failed ||
        !PageTextOf(album.pageRequest, response, album.cursor->TextFlags(), text, failure)) {
        result_.pageFailures.append(failure);
        view_.PageFailed(failure);
        EndListing(index, ListingEnd::PageFailed);
        return;
    }
    if (text.isEmpty()) {
        EndListing(index, ListingEnd::Complete);
        return;
    }
    album.pageRetries = 0;
    if (index > firstUnfixed_) {
        album.heldText = text;
        SetListing(index, AlbumRun::Listing::Held);
        return;
    }
    TakePage(index, text);
    TakeHeldPages();
}

void DownloadJob::Pipeline::TakePage(int index, const QString& text) {
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    AlbumPictures sink(*this, index);
    const bool more = album.cursor->TakePage(text, sink);
    if (album.listing == AlbumRun::Listing::Ended) {
        return;
    }
    if (!more) {
        EndListing(index, Stopping() ? ListingEnd::Stopped : ListingEnd::Complete);
        return;
    }
    album.pageRequest = album.cursor->NextRequest();
    SetListing(index, AlbumRun::Listing::Ready);
}

// Albums name their pictures in album order, so that folder names are numbered as they would be
// one album after the other: a page of a later album waits until the albums before it have
// their folders.
void DownloadJob::Pipeline::TakeHeldPages() {
    for (;;) {
        while (firstUnfixed_ < begun_ && albums_[static_cast<size_t>(firstUnfixed_)].folderFixed) {
            ++firstUnfixed_;
        }
        if (firstUnfixed_ >= begun_) {
            return;
        }
        AlbumRun& album = albums_[static_cast<size_t>(firstUnfixed_)];
        if (album.listing != AlbumRun::Listing::Held) {
            return;
        }
        QString text;
        text.swap(album.heldText);
        TakePage(firstUnfixed_, text);
        if (!album.folderFixed) {
            return;  // a page of pictures all known before: the folder is still open
        }
    }
}

bool DownloadJob::Pipeline::PictureListedFor(int index, const PictureEntry& entry) {
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    if (Stopping()) {
        return false;
    }
    switch (AddPicture(namingJob_, *folders_, album.naming, entry)) {
        case NamingOutcome::SkipRule:
            album.skipRule = true;
            return false;
        case NamingOutcome::FolderBusy:
            album.folderBusy = true;
            return false;
        case NamingOutcome::Planned:
            break;
    }
    if (!album.folderFixed) {
        album.folderFixed = true;
        if (index == begun_ - 1) {
            job_.SetCurrentAlbumFolder(album.naming.batch.albumFolder);
        }
    }
    ++listed_;
    if (Planning()) {
        ++album.ended;
        ++settled_;
    } else if (EndIfArchived(index, album.listed() - 1)) {
        // saved before: not asked for again
    } else if (!album.heldPictures.empty() || SharesFolderWithUnfinished(index)) {
        album.heldPictures.push_back(album.listed() - 1);
        heldAlbums_.insert(index);
    } else {
        waiting_.push_back({index, album.listed() - 1});
    }
    view_.PictureListed({album.position, album.listed(), Progress()});
    return true;
}

bool DownloadJob::Pipeline::Verify(const QString& albumKey) {
    if (Stopping() ||
        !view_.AskYesNo(QStringLiteral("为非公开相册,是否进行验证？\n\n验证成功后请手动关闭验证框"),
                        MessageTitle())) {
        return false;
    }
    view_.RequestLogin(XiangceVerifyUrl(albumKey));
    return true;
}

void DownloadJob::Pipeline::EndListing(int index, ListingEnd end) {
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    if (album.listing == AlbumRun::Listing::Ended) {
        return;
    }
    SetListing(index, AlbumRun::Listing::Ended);
    album.end = end;
    album.folderFixed = true;
    album.heldText.clear();
    album.cursor.reset();
    --listing_;
    if (album.skipRule && end == ListingEnd::Complete) {
        ++result_.skippedByRule;
    }
    if (album.folderBusy) {
        result_.busyAlbums.append({album.naming.album.strName, album.naming.batch.albumFolder});
    }
    view_.AlbumListed({album.position, album.listed(), end, Planning(), album.folderBusy,
                       album.naming.batch.albumFolder});
    TakeHeldPages();
}

void DownloadJob::Pipeline::PictureArrived(int id, bool ok, const UrlResponse& response) {
    ActivePicture& active = active_.at(id);
    const AlbumRun& album = albums_[static_cast<size_t>(active.album)];
    const PlannedPicture& picture =
        album.naming.batch.pictures[static_cast<size_t>(active.picture)];
    const PictureVerdict verdict =
        JudgePicture(ok, response, picture, active.state, inputs_.retries, Stopping());
    switch (verdict.step) {
        case PictureVerdict::Fallback:
            active.state.onFallback = true;
            ++active.state.retries;  // the fallback counts among the picture's requests
            SubmitPicture(id);
            return;
        case PictureVerdict::Retry: {
            ++active.state.retries;
            active.due = Clock::now() + std::chrono::seconds(verdict.waitSeconds);
            hostWaitsUntil_.insert(
                QUrl(picture.addresses.value(active.state.onFallback ? 1 : 0)).host(), active.due);
            delayed_.push_back(id);
            return;
        }
        case PictureVerdict::Saved:
            EndPicture(active, PictureOutcome::Saved, QString(), response);
            break;
        case PictureVerdict::SkippedBySize:
            EndPicture(active, PictureOutcome::SkippedBySize, verdict.reason, response);
            break;
        case PictureVerdict::Stopped:
            EndPicture(active, PictureOutcome::Stopped, verdict.reason, response);
            break;
        case PictureVerdict::Failed:
            EndPicture(active, PictureOutcome::Failed, verdict.reason, response);
            break;
    }
    active_.erase(id);
}

void DownloadJob::Pipeline::EndPicture(const ActivePicture& active, PictureOutcome outcome,
                                       const QString& reason, const UrlResponse& response) {
    AlbumRun& album = albums_[static_cast<size_t>(active.album)];
    const PlannedPicture& picture =
        album.naming.batch.pictures[static_cast<size_t>(active.picture)];
    ++album.ended;
    ++ended_;
    ++settled_;
    switch (outcome) {
        case PictureOutcome::Saved:
            ++album.saved;
            ++result_.saved;
            bytes_ += response.bodyLength;
            RecordSaved(album, active.picture, response.bodyLength);
            break;
        case PictureOutcome::AlreadyDownloaded:
            break;  // ended before any request (EndIfArchived)
        case PictureOutcome::HandedOver:
            ++album.handedOver;
            ++result_.handedOver;
            break;
        case PictureOutcome::Failed:
            ++album.failed;
            result_.failures.append(
                {picture.addresses.value(active.state.onFallback ? 1 : 0), reason});
            break;
        case PictureOutcome::SkippedBySize:
            ++result_.skippedBySize;
            break;
        case PictureOutcome::Stopped:
            ++album.stopped;
            break;
    }
    if (outcome != PictureOutcome::Saved && response.partialBytes > 0) {
        ++result_.partialsKept;
    }
    view_.PictureEnded({album.position, outcome, picture.addresses.value(0), reason, Progress()});
}

// A picture the archive holds ends at once, as already downloaded. An archive that cannot be
// read is a failure of the job's records: the picture is then downloaded as without one.
bool DownloadJob::Pipeline::EndIfArchived(int index, int picture) {
    if (!archive_) {
        return false;
    }
    AlbumRun& album = albums_[static_cast<size_t>(index)];
    const QString address =
        album.naming.batch.pictures[static_cast<size_t>(picture)].addresses.value(0);
    QString error;
    const std::optional<bool> held = archive_->Holds(service_, address, error);
    if (!held) {
        ArchiveFailed(error);
        return false;
    }
    if (!*held) {
        return false;
    }
    ++album.ended;
    ++ended_;
    ++settled_;
    ++result_.alreadyDownloaded;
    view_.PictureEnded(
        {album.position, PictureOutcome::AlreadyDownloaded, address, QString(), Progress()});
    return true;
}

// Records a picture that is whole under its name.
void DownloadJob::Pipeline::RecordSaved(AlbumRun& album, int picture, qint64 size) {
    if (!archive_) {
        return;
    }
    const PlannedPicture& planned = album.naming.batch.pictures[static_cast<size_t>(picture)];
    const QString path = album.naming.batch.albumFolder + planned.fileName;
    ArchiveRecord record;
    record.service = service_;
    record.address = planned.addresses.value(0);
    record.albumKey = album.naming.album.strKey;
    record.albumName = album.naming.album.strName;
    record.pictureId = planned.id;
    record.path = path;
    record.size = size;
    record.sha256 = FileSha256(path);
    record.savedAt = QDateTime::currentSecsSinceEpoch();
    QString error;
    if (record.sha256.isEmpty()) {
        error = QStringLiteral("cannot read %1").arg(path);
    } else if (archive_->Record(record, error)) {
        album.recorded.emplace_back(picture, planned.fileName);
        return;
    }
    ++result_.unrecorded;
    ArchiveFailed(error);
}

// The records follow the files that a repair renamed.
void DownloadJob::Pipeline::RecordRepairs(AlbumRun& album) {
    const DownloadBatch& batch = album.naming.batch;
    for (const auto& [picture, nameThen] : album.recorded) {
        const PlannedPicture& planned = batch.pictures[static_cast<size_t>(picture)];
        QString error;
        if (planned.fileName != nameThen &&
            !archive_->UpdatePath(service_, planned.addresses.value(0),
                                  batch.albumFolder + planned.fileName, error)) {
            ++result_.unrecorded;
            ArchiveFailed(error);
        }
    }
    album.recorded.clear();
}

void DownloadJob::Pipeline::ArchiveFailed(const QString& error) {
    if (result_.archiveError.isEmpty()) {
        result_.archiveError =
            QStringLiteral("download archive %1: %2").arg(inputs_.archivePath, error);
    }
}

// After a stop: nothing more goes out, pictures not started end unstarted, listings that are not
// in flight end now (those in flight end when their page comes back, aborted).
void DownloadJob::Pipeline::ApplyStop() {
    if (stopApplied_) {
        return;
    }
    stopApplied_ = true;
    for (const WaitingPicture& waiting : waiting_) {
        AlbumRun& album = albums_[static_cast<size_t>(waiting.album)];
        ++album.ended;
        ++album.stopped;
        ++settled_;
    }
    waiting_.clear();
    for (const int index : heldAlbums_) {
        AlbumRun& album = albums_[static_cast<size_t>(index)];
        const int held = static_cast<int>(album.heldPictures.size());
        album.ended += held;
        album.stopped += held;
        settled_ += held;
        album.heldPictures.clear();
    }
    heldAlbums_.clear();
    for (int id : delayed_) {
        const ActivePicture& active = active_.at(id);
        AlbumRun& album = albums_[static_cast<size_t>(active.album)];
        ++album.ended;
        ++album.stopped;
        ++settled_;
        active_.erase(id);
    }
    delayed_.clear();
    for (int i = 0; i < begun_; ++i) {
        const AlbumRun::Listing listing = albums_[static_cast<size_t>(i)].listing;
        if (listing != AlbumRun::Listing::Ended && listing != AlbumRun::Listing::InFlight) {
            EndListing(i, ListingEnd::Stopped);
        }
    }
    if (handoff_) {
        TakeHandedOver(handoff_->RemoveAll());  // the daemon lets go of the job's pictures
    }
}

// Pictures whose end the daemon reported, each like a transfer of the job's own.
void DownloadJob::Pipeline::TakeHandedOver(const std::vector<Aria2Ended>& ended) {
    for (const Aria2Ended& picture : ended) {
        --handed_;
        if (picture.handedOver) {
            EndPicture(active_.at(picture.id), PictureOutcome::HandedOver, QString(),
                       picture.response);
            active_.erase(picture.id);
        } else {
            PictureArrived(picture.id, picture.ok, picture.response);
        }
    }
}

// --- Per-album effects ---------------------------------------------------------------------

void DownloadJob::Pipeline::FinishAlbumsInOrder() {
    bool finished = false;
    while (nextToFinish_ < begun_) {
        AlbumRun& album = albums_[static_cast<size_t>(nextToFinish_)];
        if (album.listing != AlbumRun::Listing::Ended || album.ended < album.listed()) {
            break;
        }
        FinishAlbum(album);
        ++nextToFinish_;
        finished = true;
    }
    if (finished) {
        ReleaseHeldPictures();
    }
}

// The held pictures of albums that no unfinished earlier album shares a folder with go on.
void DownloadJob::Pipeline::ReleaseHeldPictures() {
    for (auto it = heldAlbums_.begin(); it != heldAlbums_.end();) {
        const int index = *it;
        if (SharesFolderWithUnfinished(index)) {
            ++it;
            continue;
        }
        AlbumRun& album = albums_[static_cast<size_t>(index)];
        for (const int picture : album.heldPictures) {
            waiting_.push_back({index, picture});
        }
        album.heldPictures.clear();
        it = heldAlbums_.erase(it);
    }
}

void DownloadJob::Pipeline::FinishAlbum(AlbumRun& album) {
    DownloadBatch& batch = album.naming.batch;
    if (batch.size() > 0) {
        if (!inputs_.aria2Input.isEmpty()) {
            // The logins as they are now: one made during the job applies to later albums.
            const QList<StoredCookie> cookies = CookieShare::AllCookies();
            for (const PlannedPicture& picture : batch.pictures) {
                aria2Input_ += Aria2InputEntry(picture, batch.albumFolder, cookies);
            }
        } else if (ListOnly()) {
            if (album.end != ListingEnd::Stopped) {
                const QString name = album.naming.album.strName;
                WriteDownloadList(
                    batch, batch.albumFolder + ListFileBaseName(name) + QStringLiteral(".lst"));
                ++result_.listsWritten;
            }
        } else {
            const bool whole = album.Whole();
            const qint64 seconds =
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - album.began)
                    .count();
            view_.AlbumFinished({album.position, album.naming.album.strName, batch.albumFolder,
                                 album.listed(), album.saved, album.failed, seconds, whole});
            if (whole) {
                WriteDownloadedMarker(batch.pictures.front().AddressEntry(), batch.albumFolder);
            }
            const uint16_t options = album.handedOver > 0 ? 0 : inputs_.rules.optionFlags;
            if (options & OPT_FIX_FORMAT) {
                FixPictureFormats(batch);
                RecordRepairs(album);
            }
            if (options & OPT_FIX_ORDER) {
                FixPictureOrder(batch);
            }
        }
    }
    // What the album still holds is no longer needed.
    batch.pictures = {};
    batch.foldedNames = {};
}

// --- DownloadJob ---------------------------------------------------------------------------

DownloadJob::DownloadJob(DownloadJobInputs inputs, JobView& view, CursorFactory makeCursor)
    : inputs_(std::move(inputs)),
      view_(view),
      makeCursor_(std::move(makeCursor)),
      stop_(std::make_shared<std::atomic_bool>(false)),
      queue_(std::make_shared<CompletionQueue>()) {}

DownloadJob::~DownloadJob() = default;

JobResult DownloadJob::Run() {
    return Pipeline(*this).Run();
}

void DownloadJob::RequestStop() {
    if (stop_->exchange(true)) {
        return;
    }
    NetworkThread::Instance().Wake();  // transfers see their cancel flag at once
    queue_->Wake();
}

QString DownloadJob::CurrentAlbumFolder() const {
    std::lock_guard lock(mutex_);
    return currentFolder_;
}

void DownloadJob::SetCurrentAlbumFolder(const QString& folder) {
    std::lock_guard lock(mutex_);
    currentFolder_ = folder;
}
