// quorvix-cli handing its pictures to a real aria2 daemon (aria2c --enable-rpc on loopback, with
// a random port and secret, fetching from the fake service through its --all-proxy): the same
// files, names and bytes as a download of its own, the same exit status, errors that name aria2,
// a stop that takes the job's pictures back from the daemon, and an input file for aria2c -i.

#include "fakeservice/FakeService.h"
#include "support/Aria2Daemon.h"
#include "support/ChildProcess.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kForum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo");

// Every file under the folder, by its path below it, with its bytes.
QMap<QString, QByteArray> Tree(const QString& folder, bool picturesOnly = false) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (picturesOnly && !path.endsWith(QLatin1String(".jpg"))) {
            continue;
        }
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(path.mid(folder.size()), file.readAll());
    }
    return files;
}

class Aria2 : public ::testing::Test {
protected:
    Aria2() : daemon(service.proxyUrl()) {}
    void SetUp() override { ASSERT_TRUE(daemon.ready()) << daemon.failure().toStdString(); }

    QStringList Arguments(const TempDir& save, const QStringList& extra) const {
        return QStringList{QStringLiteral("download"),       kForum,
                           QStringLiteral("--save"),         save.path(),
                           QStringLiteral("--settings-dir"), settings.path(),
                           QStringLiteral("--retries"),      QStringLiteral("0")} +
               extra;
    }
    QStringList ToDaemon(const QString& secret = QString()) const {
        return {QStringLiteral("--aria2-rpc"), daemon.rpc(), QStringLiteral("--aria2-secret"),
                secret.isEmpty() ? daemon.secret() : secret};
    }
    CliResult Download(const TempDir& save, const QStringList& extra) {
        return RunCli(Arguments(save, extra), service.proxyUrl());
    }

    TempDir settings;
    FakeService service;
    Aria2Daemon daemon;
};

TEST_F(Aria2, TheDaemonsDownloadEqualsOurOwn) {
    const QStringList albums = {QStringLiteral("--albums"), QStringLiteral("1-5"),
                                QStringLiteral("--source-names")};
    TempDir own;
    ASSERT_EQ(Download(own, albums).exitCode, 0);
    TempDir handed;
    const CliResult result = Download(handed, albums + ToDaemon());
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_TRUE(result.err.contains("Albums: 5, pictures saved: 29, failed: 0"))
        << result.err.constData();
    const QMap<QString, QByteArray> tree = Tree(handed.path());
    EXPECT_EQ(tree.size(), 29 + 5 + 5);  // pictures, name files, markers; nothing temporary
    EXPECT_EQ(tree, Tree(own.path()));

    // A picture the service does not have fails as it would in a download of our own; one
    // whose every answer breaks off leaves nothing of what the daemon wrote.
    service.overrideNext({FakePathKind::ForumPicture, "demo_2_000004", 404, 1, {}});
    service.overrideNext(
        {FakePathKind::ForumPicture, "demo_2_000005", 200, 100, {}, FakeFault::ShortBody});
    TempDir missing;
    const CliResult failed = Download(
        missing, QStringList{QStringLiteral("--albums"), QStringLiteral("2")} + ToDaemon());
    EXPECT_EQ(failed.exitCode, 3) << failed.err.constData();
    EXPECT_TRUE(failed.err.contains("failed: http://imgsrc.baidu.com/forum/pic/item/demo_2_000004"))
        << failed.err.constData();
    EXPECT_TRUE(failed.err.contains("aria2:")) << failed.err.constData();
    EXPECT_TRUE(failed.err.contains("failed: http://imgsrc.baidu.com/forum/pic/item/demo_2_000005"))
        << failed.err.constData();
    EXPECT_EQ(Tree(missing.path()).size(), 10)  // the pictures, nothing temporary
        << Tree(missing.path()).keys().join(u' ').toStdString();
}

// A picture answered with a torrent is saved as it came; the daemon does not go on to download
// what the torrent names.
TEST_F(Aria2, AnAnswerThatIsATorrentIsSavedAsItCame) {
    const QStringList first = {QStringLiteral("--albums"), QStringLiteral("1"),
                               QStringLiteral("--source-names")};
    TempDir ownFirst;
    ASSERT_EQ(Download(ownFirst, first).exitCode, 0);
    FakeOverride torrent{FakePathKind::ForumPicture, "demo_1_000002", 200, 1, {}};
    torrent.contentType = "application/x-bittorrent";
    torrent.body = "d4:infod6:lengthi16e4:name9:named.bin12:piece lengthi16384e6:pieces20:" +
                   QByteArray(20, 'p') + "ee";
    service.overrideNext(torrent);
    TempDir followed;
    const CliResult saved = Download(followed, first + ToDaemon());
    EXPECT_EQ(saved.exitCode, 0) << saved.err.constData();
    const QMap<QString, QByteArray> got = Tree(followed.path());
    const QMap<QString, QByteArray> own1 = Tree(ownFirst.path());
    ASSERT_EQ(got.keys(), own1.keys());
    int differing = 0;
    for (const QString& key : got.keys()) {
        if (got[key] != own1[key]) {
            ++differing;
            EXPECT_EQ(got[key], torrent.body) << key.toStdString();
        }
    }
    EXPECT_EQ(differing, 1);
    EXPECT_EQ(daemon.Pending(), 0);
}

TEST_F(Aria2, ADaemonItCannotUseEndsTheJobBeforeAnyRequest) {
    struct Case {
        const char* what;
        QStringList options;
        const char* reason;
    };
    const Case cases[] = {
        {"a wrong secret", ToDaemon(QStringLiteral("wrong")), "Unauthorized"},
        {"no daemon at the port",
         {QStringLiteral("--aria2-rpc"),
          QStringLiteral("http://127.0.0.1:%1/jsonrpc").arg(FreeLoopbackPort())},
         "refused"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        service.resetCounters();
        TempDir save;
        const CliResult result = Download(save, c.options);
        EXPECT_EQ(result.exitCode, 1) << result.err.constData();
        EXPECT_TRUE(result.err.contains("aria2 at http://127.0.0.1:")) << result.err.constData();
        EXPECT_TRUE(result.err.contains(c.reason)) << result.err.constData();
        EXPECT_FALSE(result.err.contains(daemon.secret().toUtf8()));
        EXPECT_EQ(service.totalRequests(), 0);
    }
}

TEST_F(Aria2, AStopTakesThePicturesBackFromTheDaemon) {
    FakeOptions slow = service.options();
    slow.pictureBytes = 256 * 1024;
    slow.pictureKibPerSec = 64;  // four seconds a picture
    service.setOptions(slow);
    TempDir save;
    const CliResult stopped = RunCliInterrupted(
        Arguments(save, QStringList{QStringLiteral("--albums"), QStringLiteral("2"),
                                    QStringLiteral("--threads"), QStringLiteral("4")} +
                            ToDaemon()),
        service.proxyUrl(), {[this] { return daemon.Pending() >= 4; }, SIGINT, 1});
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err.constData();
    EXPECT_EQ(daemon.Pending(), 0);
    // Nothing the daemon wrote is left: no partial, no control file, no picture.
    EXPECT_TRUE(Tree(save.path(), false).isEmpty())
        << Tree(save.path()).keys().join(u' ').toStdString();
}

TEST_F(Aria2, AnInputFileLetsAria2cWriteTheSameTree) {
    const QStringList albums = {QStringLiteral("--albums"), QStringLiteral("1-5")};
    TempDir own;
    ASSERT_EQ(Download(own, albums).exitCode, 0);
    TempDir planned;
    const QString input = settings.file(QStringLiteral("pictures.aria2"));
    const CliResult written =
        Download(planned, albums + QStringList{QStringLiteral("--aria2-input"), input});
    ASSERT_EQ(written.exitCode, 0) << written.err.constData();
    EXPECT_TRUE(written.err.contains("aria2 input file written")) << written.err.constData();
    EXPECT_EQ(QFile(input).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    EXPECT_TRUE(Tree(planned.path(), true).isEmpty());  // nothing downloaded

    TempDir elsewhere;  // aria2c runs from another folder: the entries carry absolute folders
    ChildProcess aria2c(
        QStringLiteral("aria2c"),
        {QStringLiteral("--no-conf"), QStringLiteral("--quiet"),
         QStringLiteral("--all-proxy=") + service.proxyUrl(), QStringLiteral("-i"), input},
        EnvironmentWithout({}), true, elsewhere.path());
    ASSERT_TRUE(aria2c.Wait(60000));
    EXPECT_EQ(aria2c.exitCode(), 0) << aria2c.err.constData();
    EXPECT_EQ(Tree(planned.path(), true), Tree(own.path(), true));
    EXPECT_EQ(Tree(planned.path(), true).size(), 29);
}

}  // namespace
