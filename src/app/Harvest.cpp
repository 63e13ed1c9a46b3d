#include "app/Harvest.h"

#include "app/GetListFunc.h"
#include "app/LinuxSettings.h"
#include "app/SettingsFolder.h"

#include <algorithm>
#include <system_error>

Harvest::Harvest(const QString& settingsFolder) : settingsFolder_(settingsFolder) {}

Harvest::~Harvest() {
    if (nListState.load() == LIST_RUNNING) {
        nListState = LIST_STOP_REQUESTED;
    }
    if (jobState.load() != JOB_IDLE) {
        RequestDownloadStop();
    }
    WaitForJobs();
}

bool Harvest::LoadSettingsFile() {
    std::lock_guard lock(mutex_);
    return LoadSettings(settings_, settingsFolder_);
}

SettingsBlock Harvest::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void Harvest::UpdateSettings(const std::function<void(SettingsBlock&)>& change) {
    std::lock_guard lock(mutex_);
    ChangeSettingsFile(settings_, settingsFolder_, [&change](SettingsBlock& block) {
        change(block);
        return true;
    });
}

bool Harvest::AddToHistory(int which, const QString& text) {
    std::lock_guard lock(mutex_);
    return ChangeSettingsFile(settings_, settingsFolder_, [which, &text](SettingsBlock& block) {
        return AddHistoryEntry(block, which, text);
    });
}

ExtensionSettings Harvest::Extensions() const {
    std::lock_guard lock(mutex_);
    return extensions_;
}

void Harvest::RereadExtensionSettings() {
    ExtensionSettings values = Extensions();
    ReadExtensionSettings(values, settingsFolder_);
    std::lock_guard lock(mutex_);
    extensions_ = values;
}

QString Harvest::AccountFolder() const {
    std::lock_guard lock(mutex_);
    return accountFolder_;
}

QString Harvest::SubFolder() const {
    std::lock_guard lock(mutex_);
    return subFolder_;
}

QString Harvest::ForumName() const {
    std::lock_guard lock(mutex_);
    return forumName_;
}

void Harvest::SetAccountFolder(const QString& text) {
    std::lock_guard lock(mutex_);
    accountFolder_ = text;
}

void Harvest::SetSubFolder(const QString& text) {
    std::lock_guard lock(mutex_);
    subFolder_ = text;
}

void Harvest::SetForumName(const QString& text) {
    std::lock_guard lock(mutex_);
    forumName_ = text;
}

bool Harvest::DownloadRunning() const {
    std::lock_guard lock(mutex_);
    return job_ != nullptr;
}

QString Harvest::CurrentAlbumFolder() const {
    std::lock_guard lock(mutex_);
    return job_ ? job_->CurrentAlbumFolder() : QString();
}

ListingSummary Harvest::LastListing() const {
    std::lock_guard lock(mutex_);
    return lastListing_;
}

JobResult Harvest::LastResult() const {
    std::lock_guard lock(mutex_);
    return lastResult_;
}

void Harvest::SetLastListing(const ListingSummary& summary) {
    std::lock_guard lock(mutex_);
    lastListing_ = summary;
}

bool Harvest::GetAlbumsCommand() {
    if (bReady.load() != 1) {
        return true;
    }
    uint8_t running = LIST_RUNNING;
    if (nListState.compare_exchange_strong(running, LIST_STOP_REQUESTED)) {
        return true;
    }
    if (nListState.load() != LIST_IDLE) {
        return true;
    }
    view().ResetGrid();
    albums.ClearAlbums();
    nListState = LIST_RUNNING;
    nListType = LIST_TYPE_NONE;
    nSourceKind = 1;

    std::lock_guard lock(threadMutex_);
    JoinFinished(listThread_);
    try {
        ++runningJobs_;
        listThread_ = std::thread([this] {
            GetListFunc(*this);
            --runningJobs_;
        });
    } catch (const std::system_error&) {
        --runningJobs_;
        view().ShowMessage(QStringLiteral("Create thread:GetListFunc failed."), QString());
        return false;
    }
    return true;
}

DownloadJobInputs Harvest::ReadDownloadInputs() {
    DownloadJobInputs inputs;
    inputs.savePath = view().SavePathText();
    inputs.accountFolder = AccountFolder();
    inputs.subFolder = SubFolder();
    inputs.forumName = ForumName();
    inputs.listType = nListType.load();
    const int count = albums.size();
    for (int index : view().ChosenAlbums()) {
        if (index >= 0 && index < count) {
            inputs.albums.append(albums.at(index));
        }
    }
    inputs.listedAlbums = static_cast<uint32_t>(count);
    const SettingsBlock settings = Settings();
    const int kind = std::clamp(nSourceKind.load(), 0, kSourceKindSlots - 1);
    inputs.rules = settings.saveRules[kind];
    inputs.params = settings.downloadParams[kind];
    inputs.retries = retries.load();
    inputs.folderRecords = AlbumFolderRecordsFile();
    const LinuxSettings linuxSettings = LoadLinuxSettings(settingsFolder_);
    if (linuxSettings.archive) {
        inputs.archivePath = ArchiveFileOf(linuxSettings, settingsFolder_);
    }
    if (linuxSettings.transport == PictureTransport::Aria2Rpc) {
        inputs.aria2.rpc = linuxSettings.aria2Rpc;
        inputs.aria2.secret = linuxSettings.aria2Secret;
    }
    if (jobOverrides) {
        jobOverrides(inputs);
    }
    return inputs;
}

bool Harvest::DownloadCommand() {
    // Idle to running in one step: a second press (or a stop from another thread) while this
    // one sets up is a stop, never a second job.
    uint8_t idle = JOB_IDLE;
    if (!jobState.compare_exchange_strong(idle, JOB_RUNNING)) {
        RequestDownloadStop();
        return true;
    }
    RereadExtensionSettings();
    DownloadJobInputs inputs = ReadDownloadInputs();
    albums.nSelected = static_cast<uint32_t>(inputs.albums.size());
    auto job = std::make_shared<DownloadJob>(std::move(inputs), view());
    {
        std::lock_guard lock(mutex_);
        job_ = job;
    }
    if (jobState.load() == JOB_STOP_REQUESTED) {
        job->RequestStop();  // the stop came while the job was set up
    }
    std::lock_guard lock(threadMutex_);
    JoinFinished(downloadThread_);
    try {
        ++runningJobs_;
        downloadThread_ = std::thread([this, job] {
            RunDownloadJob(job);
            --runningJobs_;
        });
    } catch (const std::system_error&) {
        --runningJobs_;
        jobState = JOB_IDLE;
        {
            std::lock_guard stateLock(mutex_);
            job_.reset();
        }
        view().ShowMessage(QStringLiteral("Create thread:DownPicFunc failed."), QString());
        return false;
    }
    return true;
}

// The download job's thread: runs the job, then returns the window to its idle state (the state
// flag first, so that the next press of the button starts a job again) and opens the folder.
void Harvest::RunDownloadJob(const std::shared_ptr<DownloadJob>& job) {
    const JobResult result = job->Run();
    {
        std::lock_guard lock(mutex_);
        lastResult_ = result;
        job_.reset();
    }
    jobState = JOB_IDLE;
    if (!result.setupFailed) {
        view().JobFinished(result);
    }
    if (!result.openFolder.isEmpty()) {
        view().OpenFolder(result.openFolder);
    }
}

void Harvest::RequestDownloadStop() {
    // Only a running job can be stopped; a stop while idle does not stop the next job.
    uint8_t running = JOB_RUNNING;
    if (!jobState.compare_exchange_strong(running, JOB_STOP_REQUESTED)) {
        return;
    }
    std::shared_ptr<DownloadJob> job;
    {
        std::lock_guard lock(mutex_);
        job = job_;
    }
    if (job) {
        job->RequestStop();
    }
}

void Harvest::WaitForJobs() {
    std::lock_guard lock(threadMutex_);
    JoinFinished(listThread_);
    JoinFinished(downloadThread_);
}

void Harvest::JoinFinished(std::thread& thread) {
    if (thread.joinable()) {
        thread.join();
    }
}
