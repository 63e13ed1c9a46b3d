#pragma once
// A forum post with pictures, listed as one album.

#include "net/RetryPolicy.h"
#include "sources/Sinks.h"

#include <QString>

// The album record of a post page (read as GBK text).
ST_PERLISTRECORD ParseTiebaPostPage(QString text, const QString& postAddress);
// Lists the post at the address as one album.
ListingResult ListTiebaPost(const QString& postAddress, AlbumSink& sink,
                            int maxRetries = kDefaultRetries);
