#include "fakeservice/PictureHost.h"

#include "fakeservice/FakeText.h"
#include "fakeservice/PictureStream.h"

#include <zlib.h>

#include <QStringList>
#include <QUrl>
#include <QtEndian>

#include <optional>
#include <utility>

using namespace fake;

namespace {

QByteArray JpegBytes(const QString& id, qsizetype size) {
    JpegStream stream(id, size);
    QByteArray out;
    out.reserve(stream.size());
    while (stream.appendNext(out)) {
    }
    return out;
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), chunk.data());
    const QByteArray typed = QByteArray(type, 4) + data;
    chunk += typed;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                                   static_cast<uInt>(typed.size()))),
        crc.data());
    return chunk + crc;
}

QByteArray PngPicture() {
    static const QByteArray png = [] {
        const QByteArray header = QByteArray::fromHex(
            "0000000100000001"
            "0800000000");
        const QByteArray pixels = qCompress(QByteArray::fromHex("0080")).mid(4);  // zlib stream
        return QByteArray::fromHex("89504E470D0A1A0A") + PngChunk("IHDR", header) +
               PngChunk("IDAT", pixels) + PngChunk("IEND", QByteArray());
    }();
    return png;
}

QByteArray BmpPicture(qsizetype size) {
    QByteArray bmp = QByteArray::fromHex(
        "424D000000000000000036000000"
        "280000000100000001000000010018000000000004000000130B0000130B00000000000000000000"
        "3070A000");
    qToLittleEndian<quint32>(static_cast<quint32>(qMax(size, bmp.size())), bmp.data() + 2);
    return bmp;
}

// PNG, GIF and BMP pictures are padded after their end, which decoders ignore.
QByteArray Padded(QByteArray picture, const QString& id, qsizetype size) {
    PictureFiller(id).append(picture, size - picture.size());
    return picture;
}

QByteArray ErrorPage(int status, const char* reason) {
    return QByteArrayLiteral("<html><head><title>") + QByteArray::number(status) + ' ' + reason +
           QByteArrayLiteral("</title></head><body><h1>") + reason +
           QByteArrayLiteral("</h1></body></html>");
}

// The replies that never bring a whole picture: a redirect to the same address, and bodies that
// run until the client stops reading (64 KiB of JPEG-like bytes sent over and over).
std::optional<FakeReply> EndlessReply(const QString& id, PictureVariant variant) {
    FakeReply reply;
    switch (variant) {
        case PictureVariant::RedirectLoop:
            reply.status = 302;
            reply.setHeader("Location", QUrl::toPercentEncoding(id) + ".jpg");
            return reply;
        case PictureVariant::Huge:
            reply.setHeader("Content-Length", "2147483648");
            [[fallthrough]];
        case PictureVariant::Endless:
            reply.setHeader("Content-Type", "image/jpeg");
            reply.body = PictureBytes(id, PictureVariant::Jpeg, 64 * 1024);
            reply.fault = FakeFault::EndlessBody;
            return reply;
        default:
            return std::nullopt;
    }
}

}  // namespace

PictureSpec PictureSpecOf(const QString& id, qsizetype defaultBytes) {
    static const std::pair<const char*, PictureVariant> kSuffixes[] = {
        {"png", PictureVariant::Png},
        {"gif", PictureVariant::Gif},
        {"bmp", PictureVariant::Bmp},
        {"missing", PictureVariant::Missing},
        {"busy", PictureVariant::Busy},
        {"reset", PictureVariant::Reset},
        {"short", PictureVariant::Short},
        {"stall", PictureVariant::Stall},
        {"stallhead", PictureVariant::StallHeaders},
        {"loop", PictureVariant::RedirectLoop},
        {"endless", PictureVariant::Endless},
        {"huge", PictureVariant::Huge},
    };
    PictureSpec spec;
    spec.bytes = defaultBytes;
    const QStringList parts = id.split(u'-');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts[i];
        for (const auto& [suffix, variant] : kSuffixes) {
            if (part == QLatin1String(suffix)) {
                spec.variant = variant;
            }
        }
        bool ok = false;
        const qsizetype bytes = part.mid(1).toLongLong(&ok);
        if (part.startsWith(u'b') && ok && bytes >= 0 && bytes <= 256 * 1024 * 1024) {
            spec.bytes = bytes;
        }
    }
    return spec;
}

QByteArray PictureBytes(const QString& id, PictureVariant format, qsizetype size) {
    switch (format) {
        case PictureVariant::Png:
            return Padded(PngPicture(), id, size);
        case PictureVariant::Gif:
            return Padded(QByteArray::fromHex("474946383961010001008000000000"
                                              "00FFFFFF2C00000000"
                                              "010001000002024401003B"),
                          id, size);
        case PictureVariant::Bmp:
            return Padded(BmpPicture(size), id, size);
        default:
            return JpegBytes(id, size);
    }
}

FakeReply PictureReply(const QString& pictureId, const FakeOptions& options) {
    const PictureSpec spec = PictureSpecOf(pictureId, options.pictureBytes);
    // Another version of the pictures: the same sizes and formats, other bytes.
    const QString id = options.pictureVersion == 0
                           ? pictureId
                           : pictureId + QStringLiteral("~v%1").arg(options.pictureVersion);
    FakeReply reply;
    if (spec.variant == PictureVariant::Missing || spec.variant == PictureVariant::Busy) {
        const bool missing = spec.variant == PictureVariant::Missing;
        reply.status = missing ? 404 : 503;
        reply.body = ErrorPage(reply.status, missing ? "Not Found" : "Service Unavailable");
        reply.setHeader("Content-Type", "text/html; charset=utf-8");
        if (!missing) {
            reply.setHeader("Retry-After", "1");
        }
        return reply;
    }
    if (const std::optional<FakeReply> endless = EndlessReply(id, spec.variant)) {
        return *endless;
    }
    if (spec.variant == PictureVariant::Jpeg && spec.bytes > kStreamedPictureBytes) {
        reply.stream = std::make_shared<JpegStream>(id, spec.bytes);
    } else {
        reply.body = PictureBytes(id, spec.variant, spec.bytes);
    }
    switch (spec.variant) {
        case PictureVariant::Png:
            reply.setHeader("Content-Type", "image/png");
            break;
        case PictureVariant::Gif:
            reply.setHeader("Content-Type", "image/gif");
            break;
        case PictureVariant::Bmp:
            reply.setHeader("Content-Type", "image/bmp");
            break;
        default:
            reply.setHeader("Content-Type", "image/jpeg");
            break;
    }
    const qsizetype half = reply.body.size() / 2;
    switch (spec.variant) {
        case PictureVariant::Reset:
            reply.fault = FakeFault::ResetMidBody;
            reply.faultAfter = half;
            break;
        case PictureVariant::Short:
            reply.fault = FakeFault::ShortBody;
            reply.faultAfter = half;
            break;
        case PictureVariant::Stall:
            reply.fault = FakeFault::StallMidBody;
            reply.faultAfter = half;
            break;
        case PictureVariant::StallHeaders:
            reply.fault = FakeFault::StallBeforeHeaders;
            break;
        default:
            break;
    }
    return reply;
}

void AnswerRange(FakeReply& reply, const FakeRequest& request, const FakeOptions& options) {
    if (reply.status != 200 || reply.stream || reply.fault == FakeFault::EndlessBody ||
        options.ranges == FakeRanges::NoValidator) {
        return;
    }
    const QByteArray etag =
        '"' +
        QByteArray::number(crc32(0, reinterpret_cast<const Bytef*>(reply.body.constData()),
                                 static_cast<uInt>(reply.body.size())),
                           16) +
        '-' + QByteArray::number(reply.body.size()) + '"';
    reply.setHeader("ETag", etag);
    if (options.ranges == FakeRanges::Ignore) {
        return;
    }
    reply.setHeader("Accept-Ranges", "bytes");
    const QByteArray range = request.header("Range");
    const QByteArray ifRange = request.header("If-Range");
    if (!range.startsWith("bytes=") || !range.endsWith('-') ||
        (!ifRange.isEmpty() && ifRange != etag)) {
        return;
    }
    bool ok = false;
    const qsizetype from = range.mid(6).chopped(1).toLongLong(&ok);
    const qsizetype size = reply.body.size();
    if (ok && from >= size) {
        // Nothing is left to send: the range cannot be satisfied, and the answer says how long
        // the picture is.
        reply.status = 416;
        reply.setHeader("Content-Range", "bytes */" + QByteArray::number(size));
        reply.body.clear();
        reply.fault = FakeFault::None;
        return;
    }
    if (!ok || from <= 0) {
        return;
    }
    reply.status = 206;
    reply.setHeader("Content-Range", "bytes " + QByteArray::number(from) + '-' +
                                         QByteArray::number(size - 1) + '/' +
                                         QByteArray::number(size));
    reply.body = reply.body.mid(from);
    if (reply.faultAfter > 0) {
        reply.faultAfter = std::max<qsizetype>(reply.faultAfter - from, 0);
    }
}
