#pragma once
// The picture listers: every picture of one album, page by page, handed to a PictureSink.
//
// A listing is a cursor: the job asks it for the next page's request, fetches the page when its
// turn comes (the download job shares one request budget among list pages and pictures) and hands
// the page text back. ListPictures is the plain loop that fetches each page at once.

#include "net/RetryPolicy.h"
#include "sources/Sinks.h"

#include <memory>

// Values of the list type: which picture lister serves the listed albums.
enum ListType : int {
    LIST_TYPE_NONE = -1,
    LIST_TYPE_XIANGCE = 0,
    LIST_TYPE_TIEBA_ALBUMS = 1,
    LIST_TYPE_TIEBA_POST = 2,
};

class PictureCursor {
public:
    virtual ~PictureCursor() = default;
    // The request of the next page (with a new cache-busting token).
    virtual UrlRequest NextRequest() = 0;
    // Text flags of the pages.
    unsigned TextFlags() const { return TEXT_INFLATE | TEXT_UTF8; }
    // Hands the pictures of a fetched page to the sink, in page order. True when the listing
    // goes on with NextRequest; false when it has ended: a page without pictures, a page that
    // brings no picture not listed before in this listing (a service that keeps answering its
    // last page would otherwise never end), or the sink asked to stop. An empty text ends it too.
    virtual bool TakePage(const QString& text, PictureSink& sink) = 0;
};

// The cursor for an album of the list type: 0 album service (offers a verification for albums
// that are not public), 1 forum album (needs the forum name as it stands in the address), any
// other value a forum post.
std::unique_ptr<PictureCursor> MakePictureCursor(int listType, const ST_PERLISTRECORD& album,
                                                 const QString& forumName);

// Lists the cursor's album to its end, fetching each page in turn (busy servers asked again as
// the retry rule says).
ListingResult ListPictures(PictureCursor& cursor, PictureSink& sink,
                           int maxRetries = kDefaultRetries);
