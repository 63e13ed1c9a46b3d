#pragma once
// What a download job reports while it runs, as typed events, and the questions it asks. The
// window and the terminal implement JobView and render the events in their own way; nothing
// parses texts. A job calls it from its own thread.

#include "download/JobResult.h"
#include "sources/Sinks.h"

#include <QString>

// How one picture ended.
enum class PictureOutcome {
    Saved,              // whole under its name
    Failed,             // with a reason
    SkippedBySize,      // left out by the size filter
    Stopped,            // the job was stopped before it was whole
    AlreadyDownloaded,  // the download archive holds it: not asked for again
    HandedOver,         // left with an aria2 daemon, which downloads it on its own
};

// Job-wide counts that come with the picture events.
struct JobProgress {
    int listed = 0;    // pictures listed so far
    int ended = 0;     // pictures whose transfer has ended, in any way
    qint64 bytes = 0;  // bytes of the pictures saved so far
};

struct AlbumStartedEvent {  // an album's listing began
    int position = 0;       // 1-based position in the job
    int albums = 0;         // albums in the job
    QString name;
};

struct PictureListedEvent {
    int position = 0;     // the album's position in the job
    int albumListed = 0;  // pictures listed in this album so far
    JobProgress job;
};

struct AlbumListedEvent {  // an album's listing ended
    int position = 0;
    int pictures = 0;  // pictures listed
    ListingEnd end = ListingEnd::Complete;
    bool listOnly = false;
    bool folderBusy = false;  // left out: another download writes into its folder
    QString folder;           // the album's folder
};

struct PictureEndedEvent {
    int position = 0;
    PictureOutcome outcome = PictureOutcome::Saved;
    QString address;
    QString reason;  // Failed, SkippedBySize
    JobProgress job;
};

struct AlbumFinishedEvent {  // every picture of the album has ended (album order)
    int position = 0;
    QString name;
    QString folder;
    int pictures = 0;
    int saved = 0;
    int failed = 0;
    qint64 seconds = 0;   // since its listing began
    bool marked = false;  // its previously-downloaded marker was written
};

class JobView {
public:
    virtual ~JobView() = default;

    // The save folder is ready and the job begins (the window's busy state).
    virtual void JobStarted(int albums) = 0;
    virtual void AlbumStarted(const AlbumStartedEvent& event) = 0;
    virtual void PictureListed(const PictureListedEvent& event) = 0;
    virtual void AlbumListed(const AlbumListedEvent& event) = 0;
    virtual void PictureEnded(const PictureEndedEvent& event) = 0;
    virtual void AlbumFinished(const AlbumFinishedEvent& event) = 0;
    virtual void PageFailed(const PageFailure& failure) = 0;
    // The job has ended (the window's idle state); the running state is already idle.
    virtual void JobFinished(const JobResult& result) = 0;

    // A message box; returns once the user has seen it (or at once where nobody can).
    virtual void ShowMessage(const QString& text, const QString& title) = 0;
    // A yes/no question; the job waits for the answer.
    virtual bool AskYesNo(const QString& text, const QString& title) = 0;
    // Opens the login window at the address and returns once the user has closed it.
    virtual void RequestLogin(const QString& url) = 0;
    // Opens a folder with the desktop's file manager.
    virtual void OpenFolder(const QString& folder) = 0;
};
