#pragma once
// Handing one listed page of albums to the harvest.

#include "app/AlbumList.h"

#include <QList>
#include <QSet>
#include <QString>

class Harvest;

enum class PageRule {
    AddAll,             // every album of the page is added
    EndWhenNothingNew,  // a page without an album not listed before ends the listing
};

// Adds the page's albums in order and remembers their keys in listedKeys. Returns false when the
// listing ends here: a stop was requested, or (EndWhenNothingNew) the page brought no album whose
// key is not in listedKeys yet — a service that repeats its page would otherwise keep the
// listing going for ever.
bool AddAlbumPage(Harvest& harvest, const QList<ST_PERLISTRECORD>& albums,
                  QSet<QString>& listedKeys, PageRule rule);
