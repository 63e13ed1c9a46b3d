#pragma once
// Pictures of one album of the photo-album service: the JSON picture list, 100 per page.

#include "sources/PictureEntry.h"

#include <QList>
#include <QString>

// The picture-list page of the album (its key) that starts at `offset`, with a new token.
QString XiangcePictureListUrl(const QString& albumKey, int offset);
// The address the login window opens for an album that is not public.
QString XiangceVerifyUrl(const QString& albumKey);
// The full-size address of a thumbnail: the text before its first "album", then
// "album/pic/item", then the thumbnail's last segment (from its last "/").
QString XiangceFullSizeAddress(const QString& thumbnail);
// The pictures of one page, one per "picture_name" marker; an empty description becomes the
// album name.
QList<PictureEntry> ParseXiangcePicturePage(const QString& text, const QString& albumName);
