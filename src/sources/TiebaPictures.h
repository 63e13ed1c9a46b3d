#pragma once
// Pictures of one forum album: the JSON picture list of the album's thread, 200 per page.

#include "sources/PictureEntry.h"

#include <QList>
#include <QString>

// Page `page` (1-based) of the thread's picture list, with a new token.
QString TiebaPictureListUrl(const QString& forumName, const QString& threadId, int page);
// The full-size address of a picture id on the forum's picture host.
QString TiebaPictureAddress(const QString& pictureId);
// The pictures of one page, one per `pic_id"` marker; an empty description becomes the album
// name.
QList<PictureEntry> ParseTiebaPicturePage(const QString& text, const QString& albumName);
