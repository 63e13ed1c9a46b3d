#pragma once
// The records of the fake service: one request as the proxy received it, and the reply the
// service wants sent, including an added delay and a transport fault.

#include <QByteArray>

#include <memory>
#include <utility>
#include <vector>

class JpegStream;

// Header lines in order (the same shape as the test HTTP server's).
using FakeHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

// What a request asked for, used for the per-kind request counters.
enum class FakePathKind {
    Unknown,
    AlbumHome,         // album service: "/u/<user>"
    AlbumList,         // album service: "/album/list/<user>"
    AlbumPictureList,  // album service: "/picture/album/list/<sign>"
    AlbumLogin,        // album service: "/login"
    AlbumDetail,       // album service: "/picture/detail/<user>/<n>", links to the profile
    ForumWall,         // forum: "/photo/g"
    ForumPictureList,  // forum: "/photo/g/bw/picture/list"
    ForumPost,         // forum: "/photo/p"
    ForumGuide,        // forum: "/photo/bw/picture/guide"
    ForumPicture,      // forum picture host: "/forum/pic/item/<id>.jpg"
    AlbumPicture,      // album-service picture hosts: "/album/.../<file>.jpg"
};
inline constexpr int kFakePathKindCount = static_cast<int>(FakePathKind::AlbumPicture) + 1;

struct FakeRequest {
    QByteArray method = "GET";
    QByteArray host;    // without port, any letter case
    QByteArray target;  // path and query as sent ("/u/demo"), still percent-encoded
    FakeHeaders headers;
    QByteArray body;

    // The first header of that name (any letter case); empty when missing.
    QByteArray header(const QByteArray& name) const;
    // The value of one cookie of the "Cookie" headers; empty when missing.
    QByteArray cookie(const QByteArray& name) const;
};

// How the transport misbehaves after the reply is ready.
enum class FakeFault {
    None,
    StallBeforeHeaders,  // nothing is sent; the connection stays open
    StallMidBody,        // headers and the first faultAfter body bytes, then nothing
    ResetMidBody,        // headers and the first faultAfter body bytes, then a reset
    ShortBody,           // headers (full Content-Length) and faultAfter bytes, then a close
    EndlessBody,         // headers, then the body again and again until the peer goes away;
                         // without a Content-Length header of the reply's own, no length is sent
};

struct FakeReply {
    int status = 200;
    FakeHeaders headers;  // Content-Length is added by the server
    QByteArray body;
    std::shared_ptr<JpegStream> stream;  // when set, the body is made from it while it is sent
    int latencyMs = 0;                   // delay before anything is sent
    int kibPerSec = 0;                   // the body is sent at this rate; 0: at once
    FakeFault fault = FakeFault::None;
    qsizetype faultAfter = 0;
    FakePathKind kind = FakePathKind::Unknown;

    void setHeader(const QByteArray& name, const QByteArray& value);
};

// How the picture hosts answer a request for part of a picture.
enum class FakeRanges {
    Honour,       // ETag and "Accept-Ranges: bytes"; "Range: bytes=N-" gets a 206 when If-Range
                  // (if sent) matches the ETag (a 416 when N is the picture's length or more),
                  // else the whole picture
    Ignore,       // ETag, but every request gets the whole picture
    NoValidator,  // neither ETag nor Last-Modified
};

struct FakeOptions {
    bool gzip = true;               // gzip pages when the request accepts it
    int latencyMs = 0;              // added to every reply
    int pictureKibPerSec = 0;       // pictures are sent at this rate per connection; 0: at once
    qsizetype pictureBytes = 4096;  // size of a picture unless its id says otherwise
    FakeRanges ranges = FakeRanges::Honour;
    int pictureVersion = 0;  // another value gives every picture other bytes and another ETag
};
