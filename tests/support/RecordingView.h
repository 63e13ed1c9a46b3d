#pragma once
// A HarvestView for tests: it records what the jobs show, answers questions as told, and can run
// a hook when a grid row is added.

#include "app/HarvestView.h"

#include <QStringList>

#include <functional>
#include <mutex>

class RecordingView : public HarvestView {
public:
    void SetStatus1(const QString& text) override { Record(QStringLiteral("status1: ") + text); }
    void SetStatus2(const QString& text) override { Record(QStringLiteral("status2: ") + text); }
    void SetGroupText(const QString& text) override { Record(QStringLiteral("group: ") + text); }
    void ResetGrid() override { Record(QStringLiteral("reset grid")); }
    void AddGridRow(int index) override;
    void RefreshGrid() override {}
    void ShowListing() override { Record(QStringLiteral("listing")); }
    void ShowListed(bool haveAlbums) override;
    void ShowDownloading() override { Record(QStringLiteral("downloading")); }
    void ShowDownloaded() override { Record(QStringLiteral("downloaded")); }
    void ShowMessage(const QString& text, const QString& title) override;
    bool AskYesNo(const QString& text, const QString& title) override;
    void RequestLogin(const QString& url) override;
    QString AddressText() override;
    QString SavePathText() override;
    int SubKindSelection() override { return subKind; }
    QList<int> ChosenAlbums() override;
    void HistoryAdded(int which, const QString& text) override;
    void StartAutoDownload() override { Record(QStringLiteral("auto download")); }
    void DownloadProgress(int, int, qint64) override {}
    void DownloadFinished(qint64 seconds, int pictures) override;
    void PictureFailed(const QString& address, const QString& reason) override;
    void OpenFolder(const QString& folder) override { Record(QStringLiteral("open: ") + folder); }

    // Settings made by the test before a job starts.
    QString address;
    QString savePath;
    int subKind = -1;
    QList<int> chosen;
    bool answerYes = false;
    std::function<void(int index)> onAddRow;
    std::function<void(const QString& url)> onLogin;

    QStringList Events() const;
    bool Saw(const QString& event) const { return Events().contains(event); }
    QStringList EventsStartingWith(const QString& prefix) const;
    int RowsAdded() const;

private:
    void Record(const QString& event);

    mutable std::mutex mutex_;
    QStringList events_;
    int rows_ = 0;
};
