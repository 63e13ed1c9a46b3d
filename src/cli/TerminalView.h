#pragma once
// The terminal front end's view of a job: progress goes to standard error (redrawn in place on a
// terminal), questions are asked on the terminal (answered "no" when there is none). Outcomes
// come from the jobs' summaries, not from what is printed.

#include "app/HarvestView.h"
#include "net/RequestLog.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <mutex>

class TerminalView : public HarvestView {
public:
    enum class Verbosity {
        Quiet,    // errors and the summary only
        Normal,   // and the progress of the listing and the albums
        Verbose,  // and every request with its outcome
    };

    TerminalView(const QString& address, const QString& savePath);
    ~TerminalView() override;

    void SetVerbosity(Verbosity verbosity);
    bool Quiet() const { return verbosity_ == Verbosity::Quiet; }
    // One request and its outcome (verbose), secrets masked.
    void LogRequest(const RequestRecord& record);

    void ListingStarted() override;
    void ResetGrid() override {}
    void AddGridRow(int) override {}
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
    void OpenFolder(const QString&) override {}

    QString AddressText() override { return address_; }
    QString SavePathText() override { return savePath_; }
    int SubKindSelection() override;
    QList<int> ChosenAlbums() override;
    void HistoryAdded(int, const QString&) override {}
    void StartAutoDownload() override {}

    void SetChosenAlbums(const QList<int>& albums) { chosen_ = albums; }

private:
    void PrintLine(const QString& text);
    void PrintTransient(const QString& text);
    void PrintFailure(const PageFailure& failure);

    const QString address_;
    const QString savePath_;
    const bool terminal_;  // standard error is a terminal: progress lines are redrawn in place
    Verbosity verbosity_ = Verbosity::Normal;
    QList<int> chosen_;
    std::mutex mutex_;
    bool midLine_ = false;
    bool anyEnded_ = false;
    qint64 lastDrawMs_ = -1;
    QElapsedTimer clock_;
};
