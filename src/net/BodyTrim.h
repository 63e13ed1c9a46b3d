#pragma once
// The marker trims of a response body. The begin marker cuts the body up to and including each of
// its occurrences; the end marker cuts the body from its first occurrence on. Markers are compared
// byte for byte with the raw body.

#include <QByteArray>

// Trims a complete body at once (used for compressed bodies after inflation).
void TrimByMarkers(QByteArray& body, const QByteArray& beginMarker, const QByteArray& endMarker);

// The same trims applied while the body arrives. After each Append the body holds no begin
// marker, and no end marker unless Append reported it. Each call searches only the newly arrived
// bytes plus the marker length - 1 before them, so the work stays linear in the body length.
class StreamingTrim {
public:
    StreamingTrim(const QByteArray& beginMarker, const QByteArray& endMarker);

    // Appends a chunk to body and trims it. True when the end marker arrived: the body then ends
    // just before it and no more bytes should be read.
    bool Append(QByteArray& body, const char* bytes, qsizetype count);

private:
    QByteArray begin_;
    QByteArray end_;
    qsizetype endScanFrom_ = 0;  // no end marker starts before this position of the body
};
