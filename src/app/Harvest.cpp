#include "app/Harvest.h"

#include "app/GetListFunc.h"
#include "download/DownPicFunc.h"

#include <new>
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
    change(settings_);
    SaveSettings(settings_, settingsFolder_);
}

bool Harvest::AddToHistory(int which, const QString& text) {
    std::lock_guard lock(mutex_);
    if (!AddHistoryEntry(settings_, which, text)) {
        return false;
    }
    SaveSettings(settings_, settingsFolder_);
    return true;
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

QString Harvest::CurrentAlbumFolder() const {
    std::lock_guard lock(mutex_);
    return currentAlbumFolder_;
}

void Harvest::SetCurrentAlbumFolder(const QString& folder) {
    std::lock_guard lock(mutex_);
    currentAlbumFolder_ = folder;
}

bool Harvest::AddListedAlbum(const ST_PERLISTRECORD& record) {
    if (bReady.load() == 1) {
        try {
            const int length = albums.AddAlbum(record);
            view().AddGridRow(length - 1);
        } catch (const std::bad_alloc&) {
            view().ShowMessage(QStringLiteral("内存分配失败"), QString());
        }
    }
    return nListState.load() != LIST_STOP_REQUESTED;
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

bool Harvest::DownloadCommand() {
    if (jobState.load() != JOB_IDLE) {
        RequestDownloadStop();
        return true;
    }
    jobState = JOB_RUNNING;
    std::lock_guard lock(threadMutex_);
    JoinFinished(downloadThread_);
    try {
        ++runningJobs_;
        downloadThread_ = std::thread([this] {
            DownPicFunc(*this);
            --runningJobs_;
        });
    } catch (const std::system_error&) {
        --runningJobs_;
        jobState = JOB_IDLE;
        view().ShowMessage(QStringLiteral("Create thread:DownPicFunc failed."), QString());
        return false;
    }
    return true;
}

QList<int> Harvest::ChosenAlbumsForJob() {
    QList<int> chosen;
    const int count = albums.size();
    for (int index : view().ChosenAlbums()) {
        if (index >= 0 && index < count) {
            chosen.append(index);
        }
    }
    return chosen;
}

void Harvest::RequestDownloadStop() {
    jobState = JOB_STOP_REQUESTED;
    stopDownload->store(true);
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
