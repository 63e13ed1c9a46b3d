// quorvix-cli download, run as a separate process against the fake service.

#include "app/SettingsBlock.h"
#include "fakeservice/FakeService.h"
#include "fakeservice/PictureHost.h"
#include "net/FileLock.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kForum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo");

class DownloadCommand : public ::testing::Test {
protected:
    CliResult Download(const QString& address, const QStringList& extra) {
        return RunCli(QStringList{QStringLiteral("download"), address, QStringLiteral("--save"),
                                  save.path(), QStringLiteral("--settings-dir"), settings.path()} +
                          extra,
                      service.proxyUrl());
    }
    QStringList Files(const QString& folder) const {
        return QDir(save.file(folder)).entryList(QDir::Files, QDir::Name);
    }
    int Pictures() const { return service.requestCount(FakePathKind::ForumPicture); }

    TempDir settings;
    TempDir save;
    FakeService service;
};

TEST_F(DownloadCommand, DownloadsTheChosenAlbums) {
    const CliResult result = Download(
        kForum, {QStringLiteral("--albums"), QStringLiteral("1,4-5"), QStringLiteral("--threads"),
                 QStringLiteral("3"), QStringLiteral("--name-mode"), QStringLiteral("seq")});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(Files(QStringLiteral("demo/手机相册")).size(), 4);  // 3 pictures and the marker
    EXPECT_EQ(Files(QStringLiteral("demo/旅行")).size(), 8);
    EXPECT_EQ(Files(QStringLiteral("demo/旅行 (1)")).size(), 3);
    EXPECT_TRUE(result.err.contains("Albums: 3, pictures saved: 12, failed: 0"))
        << result.err.constData();
}

TEST_F(DownloadCommand, SkipDownloadedFetchesNothingNewTheSecondTime) {
    const QStringList options = {QStringLiteral("--albums"), QStringLiteral("2"),
                                 QStringLiteral("--skip-downloaded")};
    ASSERT_EQ(Download(kForum, options).exitCode, 0);
    EXPECT_EQ(Pictures(), 12);
    const CliResult again = Download(kForum, options);
    EXPECT_EQ(again.exitCode, 0);  // up to date: nothing new, nothing wrong
    EXPECT_TRUE(again.err.contains("albums already downloaded: 1")) << again.err.constData();
    EXPECT_EQ(Pictures(), 12);
}

TEST_F(DownloadCommand, ListOnlyWritesTheList) {
    const CliResult result = Download(
        kForum, {QStringLiteral("--albums"), QStringLiteral("2"), QStringLiteral("--list-only")});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(Files(QStringLiteral("demo/春天的花")), QStringList{QStringLiteral("春天的花.lst")});
    EXPECT_EQ(Pictures(), 0);
}

TEST_F(DownloadCommand, FailedPicturesAreListedAndGiveStatus3) {
    const CliResult result = Download(QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults"),
                                      {QStringLiteral("--albums"), QStringLiteral("2"),
                                       QStringLiteral("--retries"), QStringLiteral("1")});
    EXPECT_EQ(result.exitCode, 3) << result.err.constData();
    EXPECT_TRUE(result.err.contains("failed: http://imgsrc.baidu.com/forum/pic/item/"));
    EXPECT_TRUE(result.err.contains("-missing.jpg (HTTP 404)"));
    EXPECT_TRUE(result.err.contains("-busy.jpg (HTTP 503)"));  // after its retries
    EXPECT_TRUE(result.err.contains("pictures saved: 2, failed: 4")) << result.err.constData();
}

TEST_F(DownloadCommand, UsageErrorsAndEmptyListings) {
    struct Case {
        QStringList arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{QStringLiteral("--threads"), QStringLiteral("16")}, 1},
        {{QStringLiteral("--timeout"), QStringLiteral("9")}, 1},
        {{QStringLiteral("--albums"), QStringLiteral("9")}, 1},
        {{QStringLiteral("--albums"), QStringLiteral("3-2")}, 1},
        {{QStringLiteral("--name-mode"), QStringLiteral("random")}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Download(kForum, c.arguments).exitCode, c.exitCode)
            << qPrintable(c.arguments.join(u' '));
    }
    EXPECT_EQ(Download(QStringLiteral("http://tieba.baidu.com/photo/g?kw=none"), {}).exitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("download"), kForum}, service.proxyUrl()).exitCode, 1);
    EXPECT_EQ(Pictures(), 0);
    const CliResult help =
        RunCli({QStringLiteral("download"), QStringLiteral("--help")}, QString());
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--save", "--albums", "--threads", "--timeout", "--min-kb",
                               "--max-kb", "--list-only", "--skip-downloaded", "--source-names",
                               "--fix-format", "--fix-order", "--name-mode", "--settings-dir"}) {
        EXPECT_TRUE(help.out.contains(option)) << option;
    }
}

// Two downloads of one album at once wrote the same temporary names: the first one's pictures
// ended up with the wrong bytes under their final names.
TEST_F(DownloadCommand, SecondProcessOnABusyAlbumLeavesItAlone) {
    const QString forum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults");
    const QStringList stalled = {QStringLiteral("--albums"),    QStringLiteral("3"),
                                 QStringLiteral("--retries"),   QStringLiteral("0"),
                                 QStringLiteral("--name-mode"), QStringLiteral("seq")};
    const QString first = save.file(QStringLiteral("faults/停滞/1.jpg"));
    CliResult second;
    const CliResult running = RunCliInterrupted(
        QStringList{QStringLiteral("download"), forum, QStringLiteral("--save"), save.path(),
                    QStringLiteral("--settings-dir"), settings.path()} +
            stalled,
        service.proxyUrl(), {[&] {
            if (!QFileInfo::exists(first)) {
                return false;
            }
            // While the first run waits for its stalled pictures, a second one starts.
            second = Download(forum, stalled);
            return true;
        }});
    EXPECT_EQ(second.exitCode, 3) << second.err.constData();
    EXPECT_TRUE(second.err.contains("another download is writing into")) << second.err.constData();
    EXPECT_TRUE(second.err.contains("albums left out (folder in use): 1"));
    EXPECT_EQ(running.exitCode, 130) << running.err.constData() << second.err.constData();
    QFile picture(first);
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(picture.readAll() ==
                PictureBytes(QStringLiteral("faults_3_000000"), PictureVariant::Jpeg, 4096));
}

// The cookie file was read at start and written whole at exit, so a login made meanwhile (in the
// window) was wiped by a command-line run that had started before it.
TEST_F(DownloadCommand, ALoginMadeDuringARunSurvivesIt) {
    const QString cookies = settings.file(QStringLiteral("cookies.txt"));
    const QStringList options = {QStringLiteral("--albums"), QStringLiteral("1")};
    const CliResult run = RunCliInterrupted(
        QStringList{QStringLiteral("download"), kForum, QStringLiteral("--save"), save.path(),
                    QStringLiteral("--settings-dir"), settings.path()} +
            options,
        service.proxyUrl(),
        {[&] {
             if (service.requestCount(FakePathKind::ForumPicture) == 0) {
                 return false;
             }
             // The window's login, saved while the run goes on (under the file's lock, as the
             // programs save it).
             const FileLock lock =
                 FileLock::Exclusive(settings.file(QStringLiteral(".cookies.txt.lock")));
             QFile file(cookies);
             file.open(QIODevice::Append);
             file.write("tieba.baidu.com\tFALSE\t/\tFALSE\t0\tBDUSS\tlogged-in\n");
             return true;
         },
         0});  // no signal: the run ends by itself
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    QFile file(cookies);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("BDUSS\tlogged-in"));
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
}

// soft.dat was rewritten from the copy read at start with every history entry, so a change made
// meanwhile by another process was lost.
TEST_F(DownloadCommand, SettingsChangedDuringARunAreKept) {
    FakeOptions slow;
    slow.latencyMs = 300;
    service.setOptions(slow);
    const CliResult run = RunCliInterrupted(
        {QStringLiteral("list"), kForum, QStringLiteral("--settings-dir"), settings.path()},
        service.proxyUrl(),
        {[&] {
             if (service.server().requestCount() == 0) {
                 return false;
             }
             // Another process adds a save folder to the history while the listing runs.
             SettingsBlock block;
             ChangeSettingsFile(block, settings.path(), [](SettingsBlock& b) {
                 return AddHistoryEntry(b, HISTORY_SAVE_FOLDERS, QStringLiteral("/elsewhere/"));
             });
             return true;
         },
         0});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    SettingsBlock block;
    LoadSettings(block, settings.path());
    EXPECT_EQ(block.addressHistory[0], kForum);
    EXPECT_EQ(block.savePathHistory[0], QStringLiteral("/elsewhere/"));
}

// A connection reset failed a picture at once; only 429 and 503 were asked again.
TEST_F(DownloadCommand, PictureCutOffByAResetIsTriedAgain) {
    service.overrideNext(
        {FakePathKind::ForumPicture, "gen-1x2_1_000000", 0, 1, {}, FakeFault::ResetMidBody});
    const CliResult result = Download(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-1x2"),
                                      {QStringLiteral("--name-mode"), QStringLiteral("url")});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    int requests = 0;
    QByteArray range;
    for (const HttpRequest& request : service.server().requests()) {
        if (request.path.contains("gen-1x2_1_000000")) {
            ++requests;
            range = request.header("Range");
        }
    }
    EXPECT_EQ(requests, 2);
    EXPECT_FALSE(range.isEmpty());  // the second try continued the first
    QFile picture(save.file(QStringLiteral("gen-1x2/相册 1/gen-1x2_1_000000.jpg")));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(picture.readAll() ==
                PictureBytes(QStringLiteral("gen-1x2_1_000000"), PictureVariant::Jpeg, 4096));
}

}  // namespace
