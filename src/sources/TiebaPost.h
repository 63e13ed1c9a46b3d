#pragma once
// A forum post with pictures, listed as one album.

#include "app/AlbumList.h"

#include <QString>

class Harvest;

// The album record of a post page (read as GBK text).
ST_PERLISTRECORD ParseTiebaPostPage(QString text, const QString& postAddress);
// Lists the post at the address as one album.
void ListTiebaPost(const QString& postAddress, Harvest& harvest);
