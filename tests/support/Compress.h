#pragma once
// Compressed forms of test bodies, made with zlib.

#include <QByteArray>

QByteArray GzipBytes(const QByteArray& plain);        // gzip header and trailer
QByteArray ZlibBytes(const QByteArray& plain);        // zlib header (deflate with RFC 1950)
QByteArray RawDeflateBytes(const QByteArray& plain);  // deflate data without any header
