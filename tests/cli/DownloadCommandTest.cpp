// quorvix-cli download, run as a separate process against the fake service.

#include "fakeservice/FakeService.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QDir>

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
    EXPECT_EQ(again.exitCode, 2);  // nothing new was listed
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
                                      {QStringLiteral("--albums"), QStringLiteral("2")});
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

}  // namespace
