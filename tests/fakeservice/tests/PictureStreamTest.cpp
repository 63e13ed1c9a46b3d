// Large pictures are made while they are sent: the stream's pieces form a well-built JPEG of the
// exact size, and a streamed picture reaches the product's fetcher whole.

#include "fakeservice/FakeService.h"
#include "fakeservice/PictureHost.h"
#include "fakeservice/PictureStream.h"
#include "net/URLSource2.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

int BigEndian16(const QByteArray& bytes, qsizetype at) {
    return (static_cast<uchar>(bytes[at]) << 8) | static_cast<uchar>(bytes[at + 1]);
}

// Walks the JPEG's segment chain from the start marker: comment segments, then the tables and
// scan that end with the end marker exactly at the end of the bytes. False when the chain breaks.
bool IsWellBuiltJpeg(const QByteArray& bytes) {
    if (!bytes.startsWith("\xFF\xD8") || !bytes.endsWith("\xFF\xD9")) {
        return false;
    }
    qsizetype at = 2;
    while (at + 4 <= bytes.size()) {
        if (static_cast<uchar>(bytes[at]) != 0xFF) {
            return false;
        }
        const uchar marker = static_cast<uchar>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;  // a fill byte before a marker
            continue;
        }
        if (marker == 0xDA) {  // the scan: one entropy-coded byte, then the end marker
            return at + 2 + BigEndian16(bytes, at + 2) + 1 + 2 == bytes.size();
        }
        at += 2 + BigEndian16(bytes, at + 2);
    }
    return false;
}

TEST(PictureStream, PiecesFormAJpegOfTheExactSize) {
    // Around the smallest picture, one segment, the longest segment and the split that would
    // leave fewer than four bytes.
    const qsizetype sizes[] = {0,     159,   160,   163,    164,    4096,   65695,  65696,
                               65697, 65699, 65700, 131233, 131234, 131236, 1 << 20};
    for (const qsizetype size : sizes) {
        SCOPED_TRACE(size);
        JpegStream stream(QStringLiteral("s_1_000001"), size);
        QByteArray joined;
        int pieces = 0;
        for (QByteArray piece; stream.appendNext(piece); piece.clear()) {
            EXPECT_LE(piece.size(), 65537 + 3 + 139);
            joined += piece;
            ++pieces;
        }
        EXPECT_GE(pieces, 2);
        EXPECT_EQ(joined.size(), stream.size());
        EXPECT_EQ(joined.size(), qMax<qsizetype>(size, 159));
        EXPECT_TRUE(IsWellBuiltJpeg(joined));
        EXPECT_EQ(joined, PictureBytes(QStringLiteral("s_1_000001"), PictureVariant::Jpeg, size));
    }
}

TEST(PictureStream, StreamedPictureArrivesWholeAndTheConnectionStaysUsable) {
    constexpr qsizetype kBytes = kStreamedPictureBytes + 12345;
    FakeOptions options;
    options.pictureBytes = kBytes;
    FakeService service(options);
    HttpProxyGuard proxy(service);
    TempDir folder;
    const QStringList ids = {QStringLiteral("big_1_000001"), QStringLiteral("big_1_000002")};
    for (const QString& id : ids) {
        SCOPED_TRACE(id.toStdString());
        UrlRequest request(QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/%1.jpg").arg(id),
                           folder.file(id));
        UrlResponse response;
        ASSERT_TRUE(FetchUrl(request, response, 0)) << response.error.toStdString();
        EXPECT_TRUE(response.headers.contains(QStringLiteral("Content-Length: %1").arg(kBytes)));
        EXPECT_EQ(folder.read(id), PictureBytes(id, PictureVariant::Jpeg, kBytes));
    }
    EXPECT_EQ(service.server().connectionCount(), 1);

    UrlRequest head(QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/big_1_000003.jpg"));
    head.verb = QStringLiteral("HEAD");
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(head, response, 0)) << response.error.toStdString();
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_TRUE(response.body.isEmpty());
    EXPECT_EQ(service.server().connectionCount(), 1);
}

}  // namespace
