#pragma once
// An aria2 input file for a download job: each picture's address on a line, then indented
// options that put it where this program would (dir= absolute, out=) with its header lines and
// the logins that apply to it, so that `aria2c -i FILE` run from any folder writes the same
// folders and names.

#include "download/DownloadBatch.h"
#include "net/CookieShare.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One picture's entry (UTF-8, lines ended by LF).
QByteArray Aria2InputEntry(const PlannedPicture& picture, const QString& albumFolder,
                           const QList<StoredCookie>& cookies);
