#pragma once
// The state a harvest shares between the window (or terminal) and its jobs: the album list, the
// settings, the folder texts of the last listing, the job state flags and the running download
// job. The listing and download jobs run on threads of their own and report to the HarvestView.

#include "app/AlbumList.h"
#include "app/ExtensionSettings.h"
#include "app/HarvestView.h"
#include "app/SettingsBlock.h"
#include "download/DownloadJob.h"
#include "download/SaveRules.h"
#include "sources/PictureListers.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Values of nListState.
enum ListState : uint8_t { LIST_IDLE = 0, LIST_RUNNING = 1, LIST_STOP_REQUESTED = 2 };
// Values of jobState. JOB_STOP_LISTING is the value the window knows for the skip rule's end of
// one album's listing; the job keeps that outcome to itself, so the shared state never holds it.
enum JobState : uint8_t {
    JOB_IDLE = 0,
    JOB_RUNNING = 1,
    JOB_STOP_LISTING = 2,
    JOB_STOP_REQUESTED = 3,
};

class Harvest {
public:
    // settingsFolder ends with "/" and holds "soft.dat".
    explicit Harvest(const QString& settingsFolder);
    ~Harvest();  // requests every job to stop and waits for it
    Harvest(const Harvest&) = delete;
    Harvest& operator=(const Harvest&) = delete;

    void SetView(HarvestView* view) { view_ = view; }
    HarvestView& view() const { return *view_; }
    const QString& settingsFolder() const { return settingsFolder_; }

    // Settings: loaded once, changed through UpdateSettings (which saves them), copied by jobs.
    bool LoadSettingsFile();
    SettingsBlock Settings() const;
    void UpdateSettings(const std::function<void(SettingsBlock&)>& change);
    // Offers a text to a history; true (and saved) when it was added.
    bool AddToHistory(int which, const QString& text);
    ExtensionSettings Extensions() const;
    void RereadExtensionSettings();

    // Folder and forum texts left by the last listing.
    QString AccountFolder() const;
    QString SubFolder() const;
    QString ForumName() const;
    void SetAccountFolder(const QString& text);
    void SetSubFolder(const QString& text);
    void SetForumName(const QString& text);

    // The get-albums command: starts a listing, or asks the running one to stop. False when the
    // thread could not be started (the message has been shown).
    bool GetAlbumsCommand();
    // The download command: starts a download job with the inputs it reads now (on the caller's
    // thread), or stops the running one.
    bool DownloadCommand();
    // Asks the running download job to stop: no further album starts and the requests in flight
    // are aborted.
    void RequestDownloadStop();
    // Waits until the listing and download threads have ended (terminal front end, tests).
    // The commands and this are called from the front end's own thread only.
    void WaitForJobs();
    // Whether a listing or download thread is still running (a window that closes keeps serving
    // their questions until they have ended).
    bool JobsRunning() const { return runningJobs_.load() > 0; }
    // Whether a download job runs, and the folder of the album whose listing began last.
    bool DownloadRunning() const;
    QString CurrentAlbumFolder() const;

    // The download job's inputs as the command reads them: the view's save path and chosen
    // albums (those that exist in the album list, in the view's order), the listing's folders and
    // list type, the current kind's rules and parameters with jobOverrides applied.
    DownloadJobInputs ReadDownloadInputs();
    // Changes of the job's inputs that are not saved (terminal options).
    std::function<void(DownloadJobInputs&)> jobOverrides;

    // How the last listing and the last download job ended.
    ListingSummary LastListing() const;
    JobResult LastResult() const;
    void SetLastListing(const ListingSummary& summary);

    AlbumList albums;
    std::atomic<uint8_t> bReady{0};
    std::atomic<uint8_t> nListState{LIST_IDLE};
    std::atomic<uint8_t> jobState{JOB_IDLE};
    std::atomic<int> nSourceKind{0};
    std::atomic<int> nListType{LIST_TYPE_NONE};
    // Tries after the first for every request of the jobs (list pages and pictures).
    std::atomic<int> retries{kDefaultRetries};

private:
    void JoinFinished(std::thread& thread);
    void RunDownloadJob(const std::shared_ptr<DownloadJob>& job);

    const QString settingsFolder_;
    HarvestView* view_ = nullptr;

    mutable std::mutex mutex_;  // guards the members below
    SettingsBlock settings_;
    ExtensionSettings extensions_;
    QString accountFolder_;
    QString subFolder_;
    QString forumName_;
    std::shared_ptr<DownloadJob> job_;  // the running download job
    ListingSummary lastListing_;
    JobResult lastResult_;

    std::atomic<int> runningJobs_{0};
    std::mutex threadMutex_;
    std::thread listThread_;
    std::thread downloadThread_;
};
