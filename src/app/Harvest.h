#pragma once
// The state a harvest shares between the window (or terminal) and the jobs: the album list, the
// settings, the folder texts of the last listing, the job state flags and the download batch. The
// listing and download jobs run on threads of their own and report to the HarvestView.

#include "app/AlbumList.h"
#include "app/ExtensionSettings.h"
#include "app/HarvestView.h"
#include "app/SettingsBlock.h"

#include "download/SaveRules.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Values of nListState.
enum ListState : uint8_t { LIST_IDLE = 0, LIST_RUNNING = 1, LIST_STOP_REQUESTED = 2 };
// Values of jobState.
enum JobState : uint8_t {
    JOB_IDLE = 0,
    JOB_RUNNING = 1,
    JOB_STOP_LISTING = 2,
    JOB_STOP_REQUESTED = 3,
};
// Values of nListType: which picture lister serves the listed albums.
enum ListType : int {
    LIST_TYPE_NONE = -1,
    LIST_TYPE_XIANGCE = 0,
    LIST_TYPE_TIEBA_ALBUMS = 1,
    LIST_TYPE_TIEBA_POST = 2,
};

// The pictures of the album being downloaded: three parallel lists and the album's folder.
struct DownloadBatch {
    QStringList addresses;      // an entry may hold a fallback address after CR LF
    QStringList fileNames;      // names relative to albumFolder
    QStringList extraHeaders;   // request header text per picture (may be empty)
    QString albumFolder;        // ends with the folder separator
    QSet<QString> foldedNames;  // fileNames case-folded, for the clash test
    void Clear() {
        addresses.clear();
        fileNames.clear();
        extraHeaders.clear();
        foldedNames.clear();
    }
    int size() const { return static_cast<int>(addresses.size()); }
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
    // The download command: starts a download job, or stops the running one.
    bool DownloadCommand();
    // Asks the running download job to stop: no further album starts and the transfers in flight
    // are aborted.
    void RequestDownloadStop();
    // Waits until the listing and download threads have ended (terminal front end, tests).
    // The commands and this are called from the front end's own thread only.
    void WaitForJobs();
    // Whether a listing or download thread is still running (a window that closes keeps serving
    // their questions until they have ended).
    bool JobsRunning() const { return runningJobs_.load() > 0; }

    // The albums the view has chosen for a download that exist in the album list, in its order.
    QList<int> ChosenAlbumsForJob();

    // Hands a listed album to the album list and the grid; false once a stop was requested.
    bool AddListedAlbum(const ST_PERLISTRECORD& record);

    AlbumList albums;
    std::atomic<uint8_t> bReady{0};
    std::atomic<uint8_t> nListState{LIST_IDLE};
    std::atomic<uint8_t> jobState{JOB_IDLE};
    std::atomic<int> nSourceKind{0};
    std::atomic<int> nListType{LIST_TYPE_NONE};

    // Download job state, touched only by the download job thread (albumFolder is also read by
    // the window's open-folder command through CurrentAlbumFolder).
    DownloadBatch batch;
    QString lastFirstAddress;
    // Album folders (case-folded) the running job has given albums, with the album's position in
    // the list, so no two albums share one.
    QHash<QString, uint32_t> jobAlbumFolders;
    // The current kind's rules and parameters as the running download job copied them.
    SaveRules jobRules;
    DownloadParams jobParams;
    // Called by AddPicture with the index of each picture it appends to the batch (the workers
    // start on it while the album is still being listed).
    std::function<void(int index)> pictureListed;
    // Changes to the copied rules and parameters that are not saved (terminal options).
    std::function<void(SaveRules&, DownloadParams&)> jobOverrides;
    QString CurrentAlbumFolder() const;
    void SetCurrentAlbumFolder(const QString& folder);
    std::atomic<bool> downloadRunning{false};
    // Pictures listed by the running (or last) download job.
    std::atomic<int> jobPictureTotal{0};
    // Set by the stop command, cleared when the workers of an album start; aborts transfers.
    std::shared_ptr<std::atomic_bool> stopDownload = std::make_shared<std::atomic_bool>(false);

private:
    void JoinFinished(std::thread& thread);

    const QString settingsFolder_;
    HarvestView* view_ = nullptr;

    mutable std::mutex mutex_;  // guards the members below
    SettingsBlock settings_;
    ExtensionSettings extensions_;
    QString accountFolder_;
    QString subFolder_;
    QString forumName_;
    QString currentAlbumFolder_;

    std::atomic<int> runningJobs_{0};
    std::mutex threadMutex_;
    std::thread listThread_;
    std::thread downloadThread_;
};
