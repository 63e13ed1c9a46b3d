#pragma once
// All albums of one user of the photo-album service: the user's home page, then the JSON album
// list page by page.

#include "app/AlbumList.h"

#include <QList>
#include <QString>

class Harvest;

QString XiangceHomeUrl(const QString& user);
QString XiangceAlbumListUrl(const QString& user, const QString& lastSign);

// The albums of the home page's mobile-album data.
QList<ST_PERLISTRECORD> ParseXiangceHomePage(QString text);
// The albums of one JSON album-list page.
QList<ST_PERLISTRECORD> ParseXiangceAlbumPage(const QString& text);

// Lists the user's albums into the harvest and sets its account folder to the user name.
void ListXiangceAlbums(const QString& user, Harvest& harvest);
