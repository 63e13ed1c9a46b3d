#pragma once
// All albums of one user of the photo-album service: the user's home page, then the JSON album
// list page by page.

#include "net/RetryPolicy.h"
#include "sources/Sinks.h"

#include <QList>
#include <QString>

QString XiangceHomeUrl(const QString& user);
QString XiangceAlbumListUrl(const QString& user, const QString& lastSign);

// The albums of the home page's mobile-album data.
QList<ST_PERLISTRECORD> ParseXiangceHomePage(QString text);
// The albums of one JSON album-list page.
QList<ST_PERLISTRECORD> ParseXiangceAlbumPage(const QString& text);

// Lists the user's albums into the sink and gives it the user name as the account folder.
ListingResult ListXiangceAlbums(const QString& user, AlbumSink& sink,
                                int maxRetries = kDefaultRetries);
