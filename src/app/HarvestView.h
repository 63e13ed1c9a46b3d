#pragma once
// What a job shows or asks. The desktop window and the terminal front end implement it. Jobs call
// it from their own threads; an implementation delivers every call on its own (UI) thread and
// blocks the caller only where the job needs an answer.

#include <QList>
#include <QString>

class HarvestView {
public:
    virtual ~HarvestView() = default;

    // The two status lines and the frame text of the album grid.
    virtual void SetStatus1(const QString& text) = 0;
    virtual void SetStatus2(const QString& text) = 0;
    virtual void SetGroupText(const QString& text) = 0;

    // Album grid: set up empty for a new listing, one row added for album `index`, redrawn.
    virtual void ResetGrid() = 0;
    virtual void AddGridRow(int index) = 0;
    virtual void RefreshGrid() = 0;

    // Window states. The job has already changed the shared state flags.
    virtual void ShowListing() = 0;
    virtual void ShowListed(bool haveAlbums) = 0;
    virtual void ShowDownloading() = 0;
    virtual void ShowDownloaded() = 0;

    // A message box; returns once the user has seen it (or at once where nobody can).
    virtual void ShowMessage(const QString& text, const QString& title) = 0;
    // A yes/no question; the job waits for the answer.
    virtual bool AskYesNo(const QString& text, const QString& title) = 0;
    // Opens the login window at the address and returns once the user has closed it.
    virtual void RequestLogin(const QString& url) = 0;

    // Inputs the jobs read: the address box, the save-path box, the sub-kind selection (-1 while
    // the sub-kind selector is hidden), the albums chosen for a download (album indexes, in the
    // grid's order).
    virtual QString AddressText() = 0;
    virtual QString SavePathText() = 0;
    virtual int SubKindSelection() = 0;
    virtual QList<int> ChosenAlbums() = 0;

    // A text entered one of the histories (0 addresses, 1 save folders).
    virtual void HistoryAdded(int which, const QString& text) = 0;
    // A single post listed as one album: select it and start its download.
    virtual void StartAutoDownload() = 0;
    // Progress of one album's download: pictures finished of the total, bytes received so far.
    virtual void DownloadProgress(int finished, int total, qint64 bytes) = 0;
    // The workers of one album have ended.
    virtual void DownloadFinished(qint64 elapsedSeconds, int pictures) = 0;
    // One picture could not be saved (the window stays silent; a terminal lists them).
    virtual void PictureFailed(const QString& address, const QString& reason) = 0;
    // Opens a folder with the desktop's file manager.
    virtual void OpenFolder(const QString& folder) = 0;
};
