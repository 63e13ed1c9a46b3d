#include <gtest/gtest.h>

#include "net/URLSource2.h"
#include "support/Compress.h"
#include "text/StringCtrl.h"

namespace {

UrlResponse Response(const QByteArray& body, const QString& headers) {
    UrlResponse response;
    response.body = body;
    response.headers = headers;
    response.isGzip = headers.contains(QLatin1String("gzip"));
    return response;
}

QString Text(const UrlResponse& response, unsigned flags) {
    QString text;
    response.GetText(text, flags);
    return text;
}

const QString kPlainHeaders = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
const QString kGzipHeaders = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n");

TEST(GetText, InflatesThenTrimsCompressedBodies) {
    UrlResponse response = Response(GzipBytes("junk<b>中文 &amp; more<e>tail"), kGzipHeaders);
    response.beginMarker = "<b>";
    response.endMarker = "<e>";
    EXPECT_EQ(Text(response, TEXT_INFLATE | TEXT_UTF8), QStringLiteral("中文 & more"));
}

TEST(GetText, TruncatedGzipYieldsThePartialText) {
    QByteArray plain;
    for (int i = 0; i < 3000; ++i) {
        plain += "row " + QByteArray::number(i) + ";";
    }
    const QByteArray packed = GzipBytes(plain);
    const QString text = Text(Response(packed.left(packed.size() / 2), kGzipHeaders), 3);
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(QString::fromLatin1(plain).startsWith(text));
}

TEST(GetText, WithoutInflateFlagTheCompressedBytesStay) {
    const QByteArray packed = GzipBytes("hello");
    EXPECT_NE(Text(Response(packed, kGzipHeaders), TEXT_UTF8), QStringLiteral("hello"));
}

TEST(GetText, OtherContentEncodingIsNotInflated) {
    const QByteArray packed = ZlibBytes("hello");
    const QString headers = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n");
    EXPECT_EQ(Text(Response(packed, headers), 3), BytesToWide(packed, CP_UTF8));
}

TEST(GetText, CodePageChoice) {
    const QByteArray gbk = WideToGbk(QStringLiteral("中文页面"));
    const QByteArray utf8 = QStringLiteral("中文页面").toUtf8();
    const QString gbkHeaders =
        QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=GBK\r\n\r\n");
    const QString lowerHeaders =
        QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gbk\r\n\r\n");
    const struct {
        QByteArray body;
        QString headers;
        unsigned flags;
        bool expectMatch;
    } cases[] = {
        {gbk, gbkHeaders, 3, true},     // "charset=GBK" overrides the UTF-8 flag
        {gbk, lowerHeaders, 3, false},  // only the exact spelling does
        {utf8, kPlainHeaders, 3, true},
        {gbk, kPlainHeaders, 1, true},  // no code-page flag: ANSI (GBK)
        {utf8, kPlainHeaders, TEXT_AUTO_UTF8, true},
        {gbk, kPlainHeaders, TEXT_AUTO_UTF8, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(Response(c.body, c.headers), c.flags) == QStringLiteral("中文页面"),
                  c.expectMatch)
            << c.headers.toStdString() << " flags " << c.flags;
    }
}

TEST(GetText, TextEndsAtTheFirstZero) {
    const QByteArray body("ab\0cd", 5);
    for (unsigned flags : {1u, 3u, unsigned(TEXT_BIG5), unsigned(TEXT_EUC_KR)}) {
        EXPECT_EQ(Text(Response(body, kPlainHeaders), flags), QStringLiteral("ab")) << flags;
    }
}

TEST(GetText, UncompressedBodyIsNotTrimmedAgain) {
    UrlResponse response = Response("a<b>c", kPlainHeaders);
    response.beginMarker = "<b>";
    EXPECT_EQ(Text(response, 3), QStringLiteral("a<b>c"));
}

}  // namespace
