#pragma once
// Small files written into an album folder: the download list for an external download manager,
// the source-name file and the previously-downloaded marker "pic.kzt".

#include <QString>

struct DownloadBatch;

// The album name as the base of its ".lst" and ".txt" file names: cut so that the name with a
// four-byte extension fits a file name.
QString ListFileBaseName(const QString& albumName);
// Writes the batch's addresses as GBK lines ended by CR LF (a fallback address on a line of its
// own after the first); false when the file cannot be made or written.
bool WriteDownloadList(const DownloadBatch& batch, const QString& path);
// Appends one source name as a UTF-16LE line; `first` starts the file anew with its byte-order
// mark.
void AppendSourceName(const QString& path, const QString& sourceName, bool first);
// Writes the album's first address entry into "pic.kzt" of the folder (UTF-16LE, no mark).
void WriteDownloadedMarker(const QString& firstAddress, const QString& albumFolder);
// The first line of the folder's "pic.kzt"; empty when there is none.
QString ReadDownloadedMarker(const QString& albumFolder);
