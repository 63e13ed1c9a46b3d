#pragma once
// Pictures of one forum post: the forum's picture guide, 50 pictures per request, each request
// continuing after the last picture seen.

#include "sources/PictureEntry.h"

#include <QList>
#include <QString>

// The guide request for the post (its picture-page address) after the picture lastPicId (empty
// for the first request), with a new token.
QString TiebaGuideUrl(const QString& postAddress, const QString& lastPicId);
// The pictures of one guide response: the text up to and including lastPicId (when not empty and
// present) is dropped, then one picture per `"img":` marker. An empty description becomes the
// album name.
QList<PictureEntry> ParseTiebaGuidePage(QString text, const QString& lastPicId,
                                        const QString& albumName);
