#pragma once
// The terminal front end's view of a job: status texts go to standard error, questions are asked
// on the terminal (answered "no" when there is none), and what the job reports is kept for the
// command's summary.

#include "app/HarvestView.h"

#include <QList>
#include <QPair>
#include <QString>

#include <QElapsedTimer>

#include <mutex>

class TerminalView : public HarvestView {
public:
    TerminalView(const QString& address, const QString& savePath);

    void SetStatus1(const QString& text) override;
    void SetStatus2(const QString& text) override;
    void SetGroupText(const QString&) override {}
    void ResetGrid() override {}
    void AddGridRow(int) override {}
    void RefreshGrid() override {}
    void ShowListing() override {}
    void ShowListed(bool) override {}
    void ShowDownloading() override {}
    void ShowDownloaded() override {}
    void ShowMessage(const QString& text, const QString& title) override;
    bool AskYesNo(const QString& text, const QString& title) override;
    void RequestLogin(const QString& url) override;
    QString AddressText() override { return address_; }
    QString SavePathText() override { return savePath_; }
    int SubKindSelection() override;
    QList<int> ChosenAlbums() override;
    void HistoryAdded(int, const QString&) override {}
    void StartAutoDownload() override {}
    void DownloadProgress(int finished, int total, qint64 bytes) override;
    void DownloadFinished(qint64 elapsedSeconds, int pictures) override;
    void PictureFailed(const QString& address, const QString& reason) override;
    void OpenFolder(const QString&) override {}

    void SetChosenAlbums(const QList<int>& albums) { chosen_ = albums; }
    // Messages shown so far (the command decides its exit status from them).
    QStringList Messages() const;
    QList<QPair<QString, QString>> FailedPictures() const;

private:
    void PrintLine(const QString& text);
    void PrintTransient(const QString& text);

    bool midLine_ = false;
    qint64 albumStartMs_ = 0;
    const QString address_;
    const QString savePath_;
    const bool terminal_;  // standard error is a terminal: progress lines are redrawn in place
    QList<int> chosen_;
    mutable std::mutex mutex_;
    QString lastStatus_;
    QElapsedTimer clock_;
    QStringList messages_;
    QList<QPair<QString, QString>> failed_;
};
