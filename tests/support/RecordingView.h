#pragma once
// A HarvestView for tests: it records what the jobs show (the status texts as the window renders
// them, and the events themselves), answers questions as told, and can run hooks on events.

#include "app/HarvestView.h"
#include "app/JobStatusText.h"

#include <QStringList>

#include <functional>
#include <mutex>

class RecordingView : public HarvestView {
public:
    void ListingStarted() override;
    void ResetGrid() override { Record(QStringLiteral("reset grid")); }
    void AddGridRow(int index) override;
    void RefreshGrid() override {}
    void ListingFinished(const ListingSummary& summary) override;

    void JobStarted(int albums) override;
    void AlbumStarted(const AlbumStartedEvent& event) override;
    void PictureListed(const PictureListedEvent& event) override;
    void AlbumListed(const AlbumListedEvent& event) override;
    void PictureEnded(const PictureEndedEvent& event) override;
    void AlbumFinished(const AlbumFinishedEvent& event) override;
    void PageFailed(const PageFailure& failure) override;
    void JobFinished(const JobResult& result) override;

    void ShowMessage(const QString& text, const QString& title) override;
    bool AskYesNo(const QString& text, const QString& title) override;
    void RequestLogin(const QString& url) override;
    QString AddressText() override;
    QString SavePathText() override;
    int SubKindSelection() override { return subKind; }
    QList<int> ChosenAlbums() override;
    void HistoryAdded(int which, const QString& text) override;
    void StartAutoDownload() override { Record(QStringLiteral("auto download")); }
    void OpenFolder(const QString& folder) override { Record(QStringLiteral("open: ") + folder); }

    // Settings made by the test before a job starts.
    QString address;
    QString savePath;
    int subKind = -1;
    QList<int> chosen;
    bool answerYes = false;
    std::function<void(int index)> onAddRow;
    std::function<void(const QString& url)> onLogin;
    std::function<void(const PictureListedEvent&)> onPictureListed;
    std::function<void(const PictureEndedEvent&)> onPictureEnded;

    QStringList Events() const;
    bool Saw(const QString& event) const { return Events().contains(event); }
    QStringList EventsStartingWith(const QString& prefix) const;
    int RowsAdded() const;

private:
    void Record(const QString& event);
    void RecordStatus(const StatusLines& lines);
    // Renders one event's status texts (under the lock) and records them.
    void Render(const std::function<StatusLines(DownloadStatusText&)>& step);

    mutable std::mutex mutex_;
    QStringList events_;
    int rows_ = 0;
    DownloadStatusText text_;  // guarded by mutex_
};
