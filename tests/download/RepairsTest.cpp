// Repairs after a download: extensions after the files' first bytes, times in album order.

#include "download/DownloadBatch.h"
#include "download/Repairs.h"
#include "support/TempDir.h"
#include "text/TextPrinters.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (const int v : values) {
        bytes.append(static_cast<char>(v));
    }
    return bytes;
}

TEST(FixExtension, MagicByteTable) {
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"PNG saved as .jpg", Bytes({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}), "p.jpg",
         "p.png"},
        {"JPEG keeps its name", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}), "j.jpg", "j.jpg"},
        {"JPEG with upper-case extension", Bytes({0xFF, 0xD8, 0xFF}), "u.JPG", "u.jpg"},
        {"GIF", QByteArray("GIF89a"), "g.jpg", "g.gif"},
        {"GI without F", Bytes({0x47, 0x49, 0x00}), "h.jpg", "h.jpg"},
        {"BMP", QByteArray("BM\x36\x00", 4), "b.png", "b.bmp"},
        {"TGA", Bytes({0, 0, 2, 0, 0, 0, 0}), "t.jpg", "t.tga"},
        {"TGA, run-length", Bytes({0, 0, 0x0A, 0, 0}), "r.jpg", "r.tga"},
        {"cursor", Bytes({0, 0, 2, 0, 1, 0}), "c.jpg", "c.cur"},
        {"icon", Bytes({0, 0, 1, 0, 1, 0}), "i.jpg", "i.ico"},
        {"icon of two images", Bytes({0, 0, 1, 0, 2, 0}), "i2.jpg", "i2.jpg"},
        {"TIFF, Motorola order", Bytes({0x4D, 0x4D, 0, 0x2A}), "m.jpg", "m.tiff"},
        {"TIFF, Intel order", Bytes({0x49, 0x49, 0x2A, 0}), "n.tif", "n.tiff"},
        {"HTML page", QByteArray("<html><body>404</body></html>"), "e.jpg", "e.jpg"},
        {"first byte of a row, second wrong", Bytes({0xFF, 0x00}), "f.jpg", "f.jpg"},
        {"short file read as zeros", Bytes({0x42}), "s.jpg", "s.jpg"},
        {"empty file", QByteArray(), "z.jpg", "z.jpg"},
        {"name without a dot", QByteArray("GIF87a"), "noext", "noext.gif"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString path = dir.write(QString::fromLatin1(c.name), c.bytes);
        EXPECT_TRUE(DetectAndFixExtension(path));
        EXPECT_EQ(path, dir.file(QString::fromLatin1(c.expected)));
        EXPECT_EQ(dir.read(QString::fromLatin1(c.expected)), c.bytes);
        if (qstrcmp(c.name, c.expected) != 0) {
            EXPECT_FALSE(QFileInfo::exists(dir.file(QString::fromLatin1(c.name))));
        }
    }
}

TEST(FixExtension, DotInAFolderNameIsNoExtension) {
    TempDir dir;
    QString path = dir.write(QStringLiteral("v1.2/picture"), QByteArray("\x89PNG", 4));
    EXPECT_TRUE(DetectAndFixExtension(path));
    EXPECT_EQ(path, dir.file(QStringLiteral("v1.2/picture.png")));
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST(FixExtension, ExistingTargetIsNeverOverwritten) {
    TempDir dir;
    const QByteArray png("\x89PNG....", 8);
    QString path = dir.write(QStringLiteral("a.jpg"), png);
    dir.write(QStringLiteral("a.png"), "other picture");
    EXPECT_FALSE(DetectAndFixExtension(path));
    EXPECT_EQ(path, dir.file(QStringLiteral("a.jpg")));
    EXPECT_EQ(dir.read(QStringLiteral("a.jpg")), png);
    EXPECT_EQ(dir.read(QStringLiteral("a.png")), QByteArray("other picture"));

    QString missing = dir.file(QStringLiteral("gone.jpg"));
    EXPECT_FALSE(DetectAndFixExtension(missing));
    EXPECT_EQ(missing, dir.file(QStringLiteral("gone.jpg")));
}

TEST(FixPictureFormats, BatchNamesFollowTheFiles) {
    TempDir dir;
    DownloadBatch batch;
    batch.albumFolder = dir.path();
    dir.write(QStringLiteral("1.jpg"), QByteArray("\x89PNG", 4));
    dir.write(QStringLiteral("2.jpg"), QByteArray("\xFF\xD8\xFF", 3));
    dir.write(QStringLiteral("4.jpg"), QByteArray("GIF89a"));
    dir.write(QStringLiteral("4.gif"), QByteArray("not ours"));
    for (const QString name : {"1.jpg", "2.jpg", "3.jpg", "4.jpg"}) {
        batch.pictures.push_back(
            {{QStringLiteral("http://h/") + name}, name, QString(), QString()});
        batch.foldedNames.insert(name.toCaseFolded());
    }
    FixPictureFormats(batch);
    QStringList names;
    for (const PlannedPicture& picture : batch.pictures) {
        names << picture.fileName;
    }
    EXPECT_EQ(names, (QStringList{"1.png", "2.jpg", "3.jpg", "4.jpg"}));
    EXPECT_EQ(batch.foldedNames, (QSet<QString>{"1.png", "2.jpg", "3.jpg", "4.jpg"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"1.png", "2.jpg", "4.gif", "4.jpg"}));
}

TEST(FixPictureOrder, TimesFallByAMinutePerPicture) {
    TempDir dir;
    DownloadBatch batch;
    batch.albumFolder = dir.path();
    for (const QString name : {"a.jpg", "b.jpg", "missing.jpg", "d.jpg"}) {
        batch.pictures.push_back(
            {{QStringLiteral("http://h/") + name}, name, QString(), QString()});
    }
    for (const char* name : {"a.jpg", "b.jpg", "d.jpg"}) {
        dir.write(QString::fromLatin1(name), "x");
    }
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    FixPictureOrder(batch);
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    const auto times = [&](const char* name) {
        const QFileInfo info(dir.file(QString::fromLatin1(name)));
        return std::pair(info.lastModified().toSecsSinceEpoch(),
                         info.lastRead().toSecsSinceEpoch());
    };
    const qint64 t = times("a.jpg").first;
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
    EXPECT_EQ(times("a.jpg"), std::pair(t, t));
    EXPECT_EQ(times("b.jpg"), std::pair(t - 60, t - 60));
    EXPECT_EQ(times("d.jpg"), std::pair(t - 180, t - 180));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("missing.jpg"))));
}

TEST(StampFileTime, NonPositiveTimeAndMissingFileChangeNothing) {
    TempDir dir;
    const QString path = dir.write(QStringLiteral("a.jpg"), "x");
    StampFileTime(path, 1000000000);
    EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1000000000);
    StampFileTime(path, 0);
    StampFileTime(path, -5);
    EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1000000000);
    StampFileTime(dir.file(QStringLiteral("none.jpg")), 1000000000);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("none.jpg"))));
}

}  // namespace
