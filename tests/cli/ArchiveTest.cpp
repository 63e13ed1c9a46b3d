// The download archive through quorvix-cli against the fake service: reruns fetch only what was
// never saved, moved or deleted files are not fetched again until they are forgotten, and a file
// that is no archive of this program is refused and left as it is.

#include "app/LinuxSettings.h"
#include "download/DownloadArchive.h"
#include "fakeservice/FakeService.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <thread>

namespace {

const QString kForum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo");

class Archive : public ::testing::Test {
protected:
    CliResult Download(const QStringList& extra, bool withArchive = true,
                       const QString& address = kForum) {
        QStringList arguments = {QStringLiteral("download"),       address,
                                 QStringLiteral("--save"),         save.path(),
                                 QStringLiteral("--settings-dir"), settings.path(),
                                 QStringLiteral("--retries"),      QStringLiteral("0")};
        if (withArchive) {
            arguments << QStringLiteral("--archive") << ArchiveFile();
        }
        return RunCli(arguments + extra, service.proxyUrl());
    }
    CliResult Inspect(const QStringList& extra) {
        return RunCli(QStringList{QStringLiteral("archive"), ArchiveFile()} + extra, QString());
    }
    QString ArchiveFile() const { return settings.file(QStringLiteral("downloads.sqlite")); }
    // The picture requests since the last call.
    QStringList PictureRequests() {
        QStringList paths;
        for (const HttpRequest& request : service.server().requests()) {
            if (request.target.contains("/forum/pic/item/")) {
                paths << QString::fromUtf8(request.target.mid(request.target.lastIndexOf('/') + 1));
            }
        }
        service.server().clearRequests();
        return paths;
    }
    QList<ArchiveRecord> Rows() {
        QString error;
        const auto archive = DownloadArchive::OpenExisting(ArchiveFile(), error);
        EXPECT_TRUE(archive) << error.toStdString();
        return archive ? archive->Records(error).value_or(QList<ArchiveRecord>())
                       : QList<ArchiveRecord>();
    }

    TempDir settings;
    TempDir save;
    FakeService service;
};

TEST_F(Archive, RerunsFetchOnlyWhatWasNeverSaved) {
    const QStringList trip = {QStringLiteral("--albums"), QStringLiteral("4")};  // 旅行, 7 pictures
    const QString missing = QStringLiteral("demo_4_000002.jpg");
    service.overrideNext({FakePathKind::ForumPicture, "demo_4_000002", 404, 1, {}});
    const CliResult first = Download(trip);
    EXPECT_EQ(first.exitCode, 3) << first.err.constData();
    EXPECT_EQ(PictureRequests().size(), 7);
    EXPECT_EQ(Rows().size(), 6);  // the failed picture is not recorded

    const CliResult second = Download(trip);
    EXPECT_EQ(second.exitCode, 0) << second.err.constData();
    EXPECT_EQ(PictureRequests(), QStringList{missing});
    EXPECT_TRUE(second.err.contains("already downloaded (in the archive): 6"))
        << second.err.constData();
    EXPECT_EQ(Rows().size(), 7);

    const CliResult untouched = Download(trip);
    EXPECT_EQ(untouched.exitCode, 0) << untouched.err.constData();
    EXPECT_TRUE(PictureRequests().isEmpty());

    // A file the user deleted (or moved) is not fetched again, until it is forgotten.
    const ArchiveRecord gone = Rows().at(3);
    ASSERT_TRUE(QFile::remove(gone.path));
    EXPECT_EQ(Download(trip).exitCode, 0);
    EXPECT_TRUE(PictureRequests().isEmpty());
    const CliResult forgot = Inspect({QStringLiteral("--forget-missing")});
    EXPECT_EQ(forgot.exitCode, 0) << forgot.err.constData();
    EXPECT_TRUE(forgot.err.contains("Forgot 1 pictures whose files are missing."))
        << forgot.err.constData();
    EXPECT_EQ(Download(trip).exitCode, 0);
    const QStringList again = PictureRequests();
    ASSERT_EQ(again.size(), 1);
    EXPECT_TRUE(gone.address.endsWith(again.first())) << again.first().toStdString();
    EXPECT_TRUE(QFileInfo::exists(gone.path));

    // The same album without the archive fetches everything, as before.
    EXPECT_EQ(Download(trip + QStringList{QStringLiteral("--no-archive")}, false).exitCode, 0);
    EXPECT_EQ(PictureRequests().size(), 7);
}

TEST_F(Archive, RowsAfterAMultiAlbumJobAndTheirCounts) {
    const CliResult result = Download(
        {QStringLiteral("--albums"), QStringLiteral("1-3"), QStringLiteral("--fix-format")});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QList<ArchiveRecord> rows = Rows();
    ASSERT_EQ(rows.size(), 3 + 12 + 5);
    for (const ArchiveRecord& row : rows) {
        SCOPED_TRACE(row.address.toStdString());
        EXPECT_EQ(row.service, QStringLiteral("tieba"));
        EXPECT_TRUE(
            row.address.startsWith(QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/")));
        EXPECT_TRUE(row.path.startsWith(save.path()));
        EXPECT_EQ(QFileInfo(row.path).size(), row.size);
        EXPECT_EQ(row.sha256, FileSha256(row.path));
        EXPECT_FALSE(row.albumKey.isEmpty());
        EXPECT_GT(row.savedAt, 0);
    }
    QSet<QString> names;
    for (const ArchiveRecord& row : rows) {
        names.insert(row.albumName);
    }
    EXPECT_EQ(names, (QSet<QString>{QStringLiteral("手机相册"), QStringLiteral("春天的花"),
                                    QStringLiteral("Tom & Jerry")}));

    const CliResult listed = Inspect({QStringLiteral("--json")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.constData();
    const QJsonArray albums = QJsonDocument::fromJson(listed.out).array();
    ASSERT_EQ(albums.size(), 3);
    QMap<QString, int> pictures;  // albums come in the order their first picture was saved
    qint64 bytes = 0;
    for (const QJsonValue& album : albums) {
        pictures.insert(album.toObject()[QStringLiteral("name")].toString(),
                        album.toObject()[QStringLiteral("pictures")].toInt());
        bytes += album.toObject()[QStringLiteral("bytes")].toInteger();
    }
    EXPECT_EQ(pictures, (QMap<QString, int>{{QStringLiteral("手机相册"), 3},
                                            {QStringLiteral("春天的花"), 12},
                                            {QStringLiteral("Tom & Jerry"), 5}}));
    EXPECT_EQ(bytes, 20 * 4096);
    const CliResult text = Inspect({});
    EXPECT_TRUE(text.out.contains("tieba\t手机相册\t3\t12288\n")) << text.out.constData();
    EXPECT_TRUE(text.err.contains("Albums: 3, pictures: 20, bytes: 81920")) << text.err.constData();

    // Pictures whose extension the repair changed are recorded under their new names.
    ASSERT_EQ(
        Download({QStringLiteral("--albums"), QStringLiteral("1"), QStringLiteral("--fix-format")},
                 true, QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults"))
            .exitCode,
        0);
    QStringList suffixes;
    for (const ArchiveRecord& row : Rows().mid(20)) {
        EXPECT_TRUE(QFileInfo::exists(row.path)) << row.path.toStdString();
        suffixes << QFileInfo(row.path).suffix();
    }
    suffixes.sort();  // recorded in the order they were saved
    EXPECT_EQ(suffixes, (QStringList{QStringLiteral("bmp"), QStringLiteral("gif"),
                                     QStringLiteral("jpg"), QStringLiteral("png")}));
}

TEST_F(Archive, TwoProcessesShareOneArchive) {
    CliResult a;
    CliResult b;
    std::thread first([&] { a = Download({QStringLiteral("--albums"), QStringLiteral("2")}); });
    std::thread second([&] { b = Download({QStringLiteral("--albums"), QStringLiteral("8")}); });
    first.join();
    second.join();
    EXPECT_EQ(a.exitCode, 0) << a.err.constData();
    EXPECT_EQ(b.exitCode, 0) << b.err.constData();
    EXPECT_EQ(Rows().size(), 12 + 250);
    PictureRequests();
    EXPECT_EQ(Download({QStringLiteral("--albums"), QStringLiteral("2,8")}).exitCode, 0);
    EXPECT_TRUE(PictureRequests().isEmpty());
}

// The window's setting in quorvix.ini is followed; --no-archive overrides it.
TEST_F(Archive, TheWindowsSettingIsFollowed) {
    LinuxSettings on;
    on.archive = true;
    on.archiveFile = ArchiveFile();
    ASSERT_TRUE(SaveLinuxSettings(settings.path() + u'/', on));
    EXPECT_EQ(QFileInfo(settings.file(QStringLiteral("quorvix.ini"))).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              0);
    const QStringList one = {QStringLiteral("--albums"), QStringLiteral("1")};
    EXPECT_EQ(Download(one, false).exitCode, 0);
    EXPECT_EQ(Rows().size(), 3);
    PictureRequests();
    EXPECT_EQ(Download(one, false).exitCode, 0);
    EXPECT_TRUE(PictureRequests().isEmpty());
    EXPECT_EQ(Download(one + QStringList{QStringLiteral("--no-archive")}, false).exitCode, 0);
    EXPECT_EQ(PictureRequests().size(), 3);
}

TEST_F(Archive, AFileThatIsNoArchiveIsRefusedAndKept) {
    // Another program's database.
    const QString foreign = settings.file(QStringLiteral("foreign.db"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('x');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    QFile foreignFile(foreign);
    ASSERT_TRUE(foreignFile.open(QIODevice::ReadOnly));
    const QByteArray foreignBytes = foreignFile.readAll();
    foreignFile.close();

    struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"bytes that are no database", QByteArray("SQLite format 3 but not really").repeated(200),
         "not a download archive"},
        {"another program's database", foreignBytes, "not a download archive of this program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings.write(QStringLiteral("downloads.sqlite"), c.bytes);
        QFile::remove(ArchiveFile() + QStringLiteral("-wal"));
        QFile::remove(ArchiveFile() + QStringLiteral("-shm"));
        service.server().clearRequests();
        const CliResult result = Download({QStringLiteral("--albums"), QStringLiteral("1")});
        EXPECT_EQ(result.exitCode, 1) << result.err.constData();
        EXPECT_TRUE(result.err.contains(c.reason)) << result.err.constData();
        EXPECT_TRUE(result.err.contains("downloads.sqlite")) << result.err.constData();
        EXPECT_TRUE(service.server().requests().empty());  // refused before anything is fetched
        EXPECT_EQ(settings.read(QStringLiteral("downloads.sqlite")), c.bytes);
        const CliResult inspected = Inspect({});
        EXPECT_EQ(inspected.exitCode, 1);
        EXPECT_TRUE(inspected.err.contains(c.reason)) << inspected.err.constData();
    }
    // Showing an archive only reads: an empty file is not turned into one.
    settings.write(QStringLiteral("downloads.sqlite"), QByteArray());
    const CliResult empty = Inspect({});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains("not a download archive")) << empty.err.constData();
    EXPECT_TRUE(settings.read(QStringLiteral("downloads.sqlite")).isEmpty());
}

}  // namespace
