#pragma once
// Where the listers hand what they find, and how a listing ended. The job that runs a lister
// implements the sink; the listers know nothing of it.

#include "sources/AlbumRecord.h"
#include "sources/PictureEntry.h"

#include "net/URLSource2.h"

#include <QString>

// A list page that could not be fetched: its address and why.
struct PageFailure {
    QString url;
    QString reason;  // the fetcher's reason, or "HTTP <status>"
    FetchError kind = FetchError::Other;
    int status = 0;  // the answer's status, 0 when none arrived

    QString Host() const;
    // "host: reason", for messages.
    QString Describe() const;
};

enum class ListingEnd {
    Complete,    // the service has no more (or a page brought nothing new)
    Stopped,     // the sink asked to stop
    PageFailed,  // a page could not be fetched; what came before it was handed over
};

struct ListingResult {
    ListingEnd end = ListingEnd::Complete;
    PageFailure failure;  // for PageFailed
};

class AlbumSink {
public:
    virtual ~AlbumSink() = default;
    // One listed album; false once the listing must end (a stop was requested).
    virtual bool AddAlbum(const ST_PERLISTRECORD& record) = 0;
    // The listing's folder name (the album service's user), once its home page has arrived.
    virtual void SetAccountFolder(const QString& folder) = 0;
    // Whether a stop was requested (checked while a lister waits to ask a busy server again).
    virtual bool StopRequested() const = 0;
};

class PictureSink {
public:
    virtual ~PictureSink() = default;
    // One listed picture; false when the album's listing ends here (the skip rule, a stop).
    virtual bool AddPicture(const PictureEntry& entry) = 0;
    // An album that claims pictures lists none: asks the user to verify it in the login window.
    // True when the first page should be asked for again.
    virtual bool VerifyAlbum(const QString& albumKey) = 0;
};
