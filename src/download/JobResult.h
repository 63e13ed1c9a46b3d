#pragma once
// What a download job did, for the view's end state and the command line's summary and exit
// status.

#include "sources/Sinks.h"

#include <QList>
#include <QString>

struct PictureFailure {
    QString address;
    QString reason;
};

// An album left out because another download writes into its folder.
struct BusyAlbum {
    QString name;
    QString folder;
};

struct JobResult {
    int albums = 0;          // albums the job was given
    int listed = 0;          // pictures listed, all albums
    int saved = 0;           // pictures saved whole under their names
    int skippedBySize = 0;   // left out by the size filter (limits below)
    uint16_t minSizeKb = 0;  // the size filter the job used
    uint16_t maxSizeKb = 0;
    int skippedByRule = 0;      // albums whose listing ended at a picture downloaded before
    int listsWritten = 0;       // address lists written instead of downloading
    int partialsKept = 0;       // pictures not saved whose partial file is kept for resuming
    int alreadyDownloaded = 0;  // pictures the download archive holds: not asked for again
    int handedOver = 0;         // pictures left with an aria2 daemon (detached hand-off)
    int unrecorded = 0;         // pictures saved that the archive could not record
    QString archiveError;       // why (the first failure)
    QList<PictureFailure> failures;
    QList<PageFailure> pageFailures;  // list pages that could not be fetched
    QList<BusyAlbum> busyAlbums;      // albums left out: another download writes into their folder
    bool listOnly = false;            // address lists were written instead of downloading
    bool stopped = false;             // the user (or an interrupt) stopped the job
    bool setupFailed = false;         // the save folder or the archive was unusable: nothing
                                      // was fetched
    QString setupError;               // why, naming the folder or the archive
    QString openFolder;               // folder to open at the end (the open-folder option)
    QString inputFile;                // the aria2 input file written instead of downloading
    bool inputFailed = false;         // it could not be written (setupError says why)

    int failed() const { return static_cast<int>(failures.size()); }
};
