#include "sources/AlbumPage.h"

#include "app/Harvest.h"

#include <algorithm>

bool AddAlbumPage(Harvest& harvest, const QList<ST_PERLISTRECORD>& albums,
                  QSet<QString>& listedKeys, PageRule rule) {
    const bool anyNew = std::any_of(albums.begin(), albums.end(), [&](const ST_PERLISTRECORD& a) {
        return !listedKeys.contains(a.strKey);
    });
    if (rule == PageRule::EndWhenNothingNew && !anyNew) {
        return false;
    }
    for (const ST_PERLISTRECORD& album : albums) {
        listedKeys.insert(album.strKey);
        if (!harvest.AddListedAlbum(album)) {
            return false;
        }
    }
    return true;
}
