// The download list, the source-name file and the previously-downloaded marker, byte for byte.

#include "download/DownloadBatch.h"
#include "download/ListFiles.h"
#include "support/TempDir.h"
#include "text/TextPrinters.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

const QByteArray kBom("\xFF\xFE", 2);

TEST(DownloadList, GbkLinesAndFallbackAddressesOnTwoLines) {
    TempDir dir;
    const QString path = dir.write(QStringLiteral("Album.lst"), QByteArray(200, 'z'));
    DownloadBatch batch;
    for (const QStringList& addresses :
         {QStringList{QStringLiteral("http://h/1.jpg")},
          QStringList{QStringLiteral("http://h/2.jpg"), QStringLiteral("http://b/2.jpg")},
          QStringList{QStringLiteral(u"http://h/图.jpg")}}) {
        batch.pictures.push_back({addresses, QString(), QString(), QString()});
    }
    EXPECT_TRUE(WriteDownloadList(batch, path));
    EXPECT_EQ(dir.read(QStringLiteral("Album.lst")),
              QByteArray("http://h/1.jpg\r\nhttp://h/2.jpg\r\nhttp://b/2.jpg\r\n"
                         "http://h/\xCD\xBC.jpg\r\n"));

    EXPECT_FALSE(WriteDownloadList(batch, dir.path() + QStringLiteral("missing/Album.lst")));
}

TEST(SourceNameFile, Utf16LinesAfterAByteOrderMark) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("Album.txt"));
    const QString outsideGbk = QStringLiteral(u"x\U0001F600");
    AppendSourceName(path, QStringLiteral(u"  原名 a/b "), true);
    AppendSourceName(path, outsideGbk, false);
    AppendSourceName(path, QString(), false);
    EXPECT_EQ(dir.read(QStringLiteral("Album.txt")),
              kBom + Utf16Le(QStringLiteral(u"  原名 a/b \r\n") + outsideGbk +
                             QStringLiteral("\r\n\r\n")));

    AppendSourceName(path, QStringLiteral("new"), true);
    EXPECT_EQ(dir.read(QStringLiteral("Album.txt")), kBom + Utf16Le(QStringLiteral("new\r\n")));

    // A later line never makes a file that the first line did not.
    AppendSourceName(dir.file(QStringLiteral("Other.txt")), QStringLiteral("x"), false);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("Other.txt"))));
}

TEST(DownloadedMarker, WrittenWithoutMarkAndReadToTheFirstLineFeed) {
    TempDir dir;
    const QString entry = QStringLiteral(u"http://h/图1.jpg\r\nhttp://b/1.jpg");
    WriteDownloadedMarker(entry, dir.path());
    EXPECT_EQ(dir.read(QStringLiteral("pic.kzt")), Utf16Le(entry));
    EXPECT_EQ(ReadDownloadedMarker(dir.path()), QStringLiteral(u"http://h/图1.jpg\r"));

    WriteDownloadedMarker(QStringLiteral("http://h/2.jpg"), dir.path());  // truncates
    EXPECT_EQ(ReadDownloadedMarker(dir.path()), QStringLiteral("http://h/2.jpg"));

    dir.write(QStringLiteral("pic.kzt"), Utf16Le(QStringLiteral("ab")) + "c");  // odd byte
    EXPECT_EQ(ReadDownloadedMarker(dir.path()), QStringLiteral("ab"));

    EXPECT_EQ(ReadDownloadedMarker(dir.path() + QStringLiteral("missing/")), QString());
    WriteDownloadedMarker(QStringLiteral("x"), dir.path() + QStringLiteral("missing/"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("missing")));
}

TEST(ListFileBaseName, FitsAFileNameWithItsExtension) {
    const QString tu(1, QChar(0x56FE));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Album (1)"), QStringLiteral("Album (1)")},
        {tu.repeated(300), tu.repeated(83)},
        {QStringLiteral("a") + QChar(0xDC00), QStringLiteral(u"a\uFFFD")},
        {QStringLiteral(". .x"), QStringLiteral("x")},
        {QStringLiteral("."), QStringLiteral(u"。")},
    };
    for (const auto& [name, base] : cases) {
        EXPECT_EQ(ListFileBaseName(name), base);
    }
}

}  // namespace
