#pragma once
// The photo albums of one forum: the forum's album wall, page by page.

#include "app/AlbumList.h"

#include <QList>
#include <QString>

class Harvest;

QString TiebaAlbumWallUrl(const QString& forumName, int page);
// The album tiles of one wall page.
QList<ST_PERLISTRECORD> ParseTiebaAlbumPage(const QString& text);
// Lists the forum's albums (forum name as it stands in the address) into the harvest.
void ListTiebaAlbums(const QString& forumName, Harvest& harvest);
