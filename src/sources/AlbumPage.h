#pragma once
// What the album listers share: handing one listed page of albums to the sink, and fetching a
// page for the sink (which may ask to stop while a busy server is waited for).

#include "sources/PageFetch.h"
#include "sources/Sinks.h"

#include <QList>
#include <QSet>
#include <QString>

enum class PageRule {
    AddAll,             // every album of the page is added
    EndWhenNothingNew,  // a page without an album not listed before ends the listing
};

// Adds the page's albums in order and remembers their keys in listedKeys. Returns false when the
// listing ends here: a stop was requested, or (EndWhenNothingNew) the page brought no album whose
// key is not in listedKeys yet — a service that repeats its page would otherwise keep the
// listing going for ever.
bool AddAlbumPage(AlbumSink& sink, const QList<ST_PERLISTRECORD>& albums, QSet<QString>& listedKeys,
                  PageRule rule);

// Fetches one page of an album listing as UTF-8 text.
PageText FetchAlbumPage(const UrlRequest& request, AlbumSink& sink, int maxRetries);
