#pragma once
// Picture bytes made piece by piece: the deterministic filler and the JPEG layout of the picture
// host, so that a picture of hundreds of MiB is sent without ever being held whole. The pieces of
// a JpegStream joined are exactly PictureBytes(id, PictureVariant::Jpeg, size).

#include "fakeservice/FakeTypes.h"

#include <QByteArray>
#include <QString>

class HttpExchange;

// A deterministic byte stream (xorshift64) seeded by the id.
class PictureFiller {
public:
    explicit PictureFiller(const QString& id);
    void append(QByteArray& out, qsizetype count);

private:
    quint64 state_;
};

// A 1x1 grey baseline JPEG: the JFIF header, comment segments of filler bytes that make up the
// size, then quantisation, frame, one-code Huffman tables and a scan holding a single zero DC
// value.
class JpegStream {
public:
    JpegStream(const QString& id, qsizetype size);

    // Bytes in all; the smallest picture when size is below it.
    qsizetype size() const { return size_; }
    // Appends the next piece (the header, one comment segment of at most 64 KiB, or the end) to
    // out; false when nothing is left.
    bool appendNext(QByteArray& out);

private:
    enum class Stage { Head, Segments, Tail, Done };

    PictureFiller filler_;
    qsizetype size_;
    qsizetype rest_;  // comment-segment bytes not yet made
    Stage stage_ = Stage::Head;
};

// Pictures larger than this are streamed rather than built whole.
inline constexpr qsizetype kStreamedPictureBytes = 8 * 1024 * 1024;

// Sends the reply's status line and headers with the stream's length, then the stream (no body
// for HEAD). False when the peer went away.
bool SendStreamed(const FakeReply& reply, HttpExchange& exchange);
