#pragma once
// The picture hosts: deterministic picture bytes per id, and the faults that an id's spelling
// asks for ("<id>-png", "<id>-missing", "<id>-b20000", ...; see README.md).

#include "fakeservice/FakeTypes.h"

#include <QString>

enum class PictureVariant {
    Jpeg,
    Png,  // PNG bytes under the ".jpg" address
    Gif,
    Bmp,
    Missing,       // 404 with an HTML body
    Busy,          // 503 with "Retry-After: 1"
    Reset,         // the connection is reset halfway through the body
    Short,         // the connection is closed halfway through the body
    Stall,         // the body stops halfway and the connection stays open
    StallHeaders,  // nothing is sent and the connection stays open
    RedirectLoop,  // 302 to its own address, for ever
    Endless,       // a body without a length that never ends
    Huge,          // "Content-Length: 2147483648", then a body that runs until the client stops
};

struct PictureSpec {
    PictureVariant variant = PictureVariant::Jpeg;
    qsizetype bytes = 0;
};

// What the id asks for; the size is defaultBytes unless the id carries "-b<N>".
PictureSpec PictureSpecOf(const QString& id, qsizetype defaultBytes);
// Picture bytes of the format (JPEG for the fault variants), exactly `size` bytes long when that
// is at least the format's smallest picture. The same id always gives the same bytes.
QByteArray PictureBytes(const QString& id, PictureVariant format, qsizetype size);
// The whole reply of the picture host for the id.
FakeReply PictureReply(const QString& id, const FakeOptions& options);
// The reply to a request that may ask for part of the picture ("Range: bytes=N-", with or without
// If-Range), as the options' range behaviour says. Only whole, unstreamed pictures take part.
void AnswerRange(FakeReply& reply, const FakeRequest& request, const FakeOptions& options);
