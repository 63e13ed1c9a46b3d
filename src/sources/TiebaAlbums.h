#pragma once
// The photo albums of one forum: the forum's album wall, page by page.

#include "net/RetryPolicy.h"
#include "sources/Sinks.h"

#include <QList>
#include <QString>

QString TiebaAlbumWallUrl(const QString& forumName, int page);
// The album tiles of one wall page.
QList<ST_PERLISTRECORD> ParseTiebaAlbumPage(const QString& text);
// Lists the forum's albums (forum name as it stands in the address) into the sink.
ListingResult ListTiebaAlbums(const QString& forumName, AlbumSink& sink,
                              int maxRetries = kDefaultRetries);
