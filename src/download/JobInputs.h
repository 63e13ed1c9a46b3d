#pragma once
// Everything a download job needs, read once when it starts, as one value: it never asks the
// window for more.

#include "download/Aria2Target.h"
#include "download/SaveRules.h"
#include "net/RetryPolicy.h"
#include "sources/AlbumRecord.h"

#include <QList>
#include <QString>

struct DownloadJobInputs {
    QString savePath;                // the save folder as the user gave it (trimmed by the job)
    QString accountFolder;           // the listing's account folder: empty or ending with "/"
    QString subFolder;               // the listing's sub folder: empty or ending with "/"
    QString forumName;               // the forum name as it stood in the address (forum albums)
    int listType = -1;               // which picture lister serves the albums (ListType)
    QList<ST_PERLISTRECORD> albums;  // the chosen albums, copied, in job order
    uint32_t listedAlbums = 0;       // albums in the whole list, chosen or not (naming code ?7)
    SaveRules rules;                 // the source kind's rules, with the run's overrides
    DownloadParams params;           // the source kind's parameters, with the run's overrides
    int retries = kDefaultRetries;   // tries after the first, per request
    QString folderRecords;           // which album owns which folder; empty: not recorded
    QString archivePath;             // the download archive; empty: none
    Aria2Target aria2;               // hand the pictures to an aria2 daemon instead
    QString aria2Input;              // write one aria2 input file instead of downloading
};
