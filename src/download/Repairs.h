#pragma once
// Repairs run over an album's saved pictures after its download: extensions after the files'
// first bytes, and file times that fall in album order.

#include <QString>

struct DownloadBatch;

// Gives every file of the batch the extension its bytes show; the batch's names follow.
void FixPictureFormats(DownloadBatch& batch);
// Renames one file after its first bytes; the path follows. True when the file is under the
// (possibly new) path afterwards; false, with the path unchanged, when the file is missing or
// unreadable or the new name is taken (an existing file is never replaced).
bool DetectAndFixExtension(QString& path);
// Stamps the batch's files with the times now, now - 60 s, now - 120 s, ... in list order.
void FixPictureOrder(const DownloadBatch& batch);
// Sets the access and modification times of one file to t (seconds since the epoch).
void StampFileTime(const QString& path, qint64 t);
