#include "sources/AlbumPage.h"

#include <algorithm>

bool AddAlbumPage(AlbumSink& sink, const QList<ST_PERLISTRECORD>& albums, QSet<QString>& listedKeys,
                  PageRule rule) {
    const bool anyNew = std::any_of(albums.begin(), albums.end(), [&](const ST_PERLISTRECORD& a) {
        return !listedKeys.contains(a.strKey);
    });
    if (rule == PageRule::EndWhenNothingNew && !anyNew) {
        return false;
    }
    for (const ST_PERLISTRECORD& album : albums) {
        listedKeys.insert(album.strKey);
        if (!sink.AddAlbum(album)) {
            return false;
        }
    }
    return true;
}

PageText FetchAlbumPage(const UrlRequest& request, AlbumSink& sink, int maxRetries) {
    return FetchListPage(request, TEXT_INFLATE | TEXT_UTF8, maxRetries,
                         [&sink] { return sink.StopRequested(); });
}
