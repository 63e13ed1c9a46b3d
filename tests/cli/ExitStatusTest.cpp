// What quorvix-cli's exit status and standard error tell, for every outcome a script may meet,
// and the conventions of its options.

#include "app/SettingsBlock.h"
#include "fakeservice/FakeService.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kForum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo");

class ExitStatus : public ::testing::Test {
protected:
    CliResult Run(const QStringList& arguments, const QString& proxy = QString()) {
        return RunCli(arguments + QStringList{QStringLiteral("--settings-dir"), settings.path()},
                      proxy.isEmpty() ? service.proxyUrl() : proxy);
    }
    CliResult Download(const QString& address, const QStringList& extra,
                       const QString& proxy = QString()) {
        return Run(QStringList{QStringLiteral("download"), address, QStringLiteral("--save"),
                               save.path()} +
                       extra,
                   proxy);
    }
    // A proxy address on a port nobody listens on.
    static QString ClosedPort() {
        FakeService gone;
        return gone.proxyUrl();
    }
    QStringList Files(const QString& folder) const {
        return QDir(save.file(folder)).entryList(QDir::Files, QDir::Name);
    }

    TempDir settings;
    TempDir save;
    FakeService service;
};

TEST_F(ExitStatus, DoneAlsoWhenTheSizeFilterLeavesPicturesOut) {
    const CliResult result = Download(kForum, {QStringLiteral("--albums"), QStringLiteral("1"),
                                               QStringLiteral("--min-kb"), QStringLiteral("10")});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_TRUE(result.err.contains("skipped by the size filter (under 10 KiB): 3"))
        << result.err.constData();
    EXPECT_FALSE(result.err.contains("failed: http"));
}

TEST_F(ExitStatus, PagesThatCannotBeFetchedGive4) {
    // Nothing answers: the listing fails, it does not just find nothing.
    for (const char* command : {"list", "download"}) {
        const CliResult result =
            QLatin1String(command) == QLatin1String("list")
                ? Run({QStringLiteral("list"), kForum, QStringLiteral("--retries"),
                       QStringLiteral("0")},
                      ClosedPort())
                : Download(kForum, {QStringLiteral("--retries"), QStringLiteral("0")},
                           ClosedPort());
        EXPECT_EQ(result.exitCode, 4) << command << result.err.constData();
        EXPECT_TRUE(result.err.contains("could not fetch http://tieba.baidu.com/photo/g?kw=demo"))
            << result.err.constData();
        EXPECT_TRUE(result.err.contains("(connection refused)")) << result.err.constData();
    }
    // A page after the first fails: what was listed is downloaded, and the run says it is not
    // complete (4 wins over 3).
    service.overrideNext({FakePathKind::ForumPictureList, "&pn=2&", 404, 1, {}});
    service.overrideNext({FakePathKind::ForumPicture, "demo_8_000003", 404, 1, {}});
    const CliResult partial = Download(kForum, {QStringLiteral("--albums"), QStringLiteral("8")});
    EXPECT_EQ(partial.exitCode, 4) << partial.err.constData();
    EXPECT_TRUE(partial.err.contains("pictures saved: 199, failed: 1")) << partial.err.constData();
}

TEST_F(ExitStatus, RecognisedServicesWithoutListersGive5WithoutARequest) {
    for (const char* address : {"http://weibo.com/u/demo", "http://photo.weibo.com/12345/albums",
                                "https://user.qzone.qq.com/12345/photo"}) {
        const CliResult result = Run({QStringLiteral("list"), QString::fromLatin1(address)});
        EXPECT_EQ(result.exitCode, 5) << address << result.err.constData();
        EXPECT_TRUE(result.err.contains("not supported")) << result.err.constData();
    }
    EXPECT_EQ(service.totalRequests(), 0);
    // A service's domain in the query does not make another service of the address.
    const CliResult forum = Run({QStringLiteral("list"), kForum + QStringLiteral("&from=weibo.com/")});
    EXPECT_EQ(forum.exitCode, 0) << forum.err.constData();
}

TEST_F(ExitStatus, UnusableSaveFolderGives1BeforeAnyRequest) {
    const QString file = save.write(QStringLiteral("a-file"), "x");
    const CliResult result = Download(kForum, {}, QString());
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();  // the folder itself is fine
    service.resetCounters();
    const CliResult refused =
        Run({QStringLiteral("download"), kForum, QStringLiteral("--save"), file + "/below"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("cannot save into " + (file + "/below").toUtf8()))
        << refused.err.constData();
    EXPECT_TRUE(refused.err.contains("Not a directory")) << refused.err.constData();
    EXPECT_EQ(service.totalRequests(), 0);
}

TEST_F(ExitStatus, HelpVersionAndOptionsThatSwitchOff) {
    const CliResult version = RunCli({QStringLiteral("--version")}, QString());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("quorvix-cli 14.7.8.1"));
    for (const char* command : {"list", "download"}) {
        for (const char* help : {"--help", "--help-all"}) {
            const CliResult shown = RunCli({QString::fromLatin1(command), QString::fromLatin1(help)},
                                           QString());
            EXPECT_EQ(shown.exitCode, 0) << command << help;
            EXPECT_TRUE(shown.out.startsWith("Usage: quorvix-cli " + QByteArray(command)))
                << shown.out.constData();
            EXPECT_TRUE(shown.out.contains("Exit status:"));
        }
    }
    const CliResult download = RunCli({QStringLiteral("download"), QStringLiteral("--help")}, {});
    for (const char* option : {"--no-list-only", "--no-skip-downloaded", "--no-source-names",
                               "--no-fix-format", "--no-fix-order", "--defaults", "--match",
                               "--cookies", "--quiet", "--verbose", "--retries"}) {
        EXPECT_TRUE(download.out.contains(option)) << option;
    }

    // The window once ticked "只生成迅雷下载列表": the command line follows it unless told not to.
    SettingsBlock block;
    LoadSettings(block, settings.path());
    ChangeSettingsFile(block, settings.path(), [](SettingsBlock& b) {
        b.saveRules[1].optionFlags |= OPT_LIST_ONLY;
        return true;
    });
    const QStringList one = {QStringLiteral("--albums"), QStringLiteral("1")};
    EXPECT_EQ(Download(kForum, one).exitCode, 0);
    EXPECT_EQ(Files(QStringLiteral("demo/手机相册")), QStringList{QStringLiteral("手机相册.lst")});
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPicture), 0);
    EXPECT_EQ(Download(kForum, one + QStringList{QStringLiteral("--no-list-only")}).exitCode, 0);
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPicture), 3);
    // --defaults leaves soft.dat's options out altogether.
    const CliResult defaults =
        Download(kForum, {QStringLiteral("--albums"), QStringLiteral("2"), QStringLiteral("--defaults")});
    EXPECT_EQ(defaults.exitCode, 0);
    EXPECT_EQ(Files(QStringLiteral("demo/春天的花")).size(), 13);
}

TEST_F(ExitStatus, AlbumsChosenByName) {
    const CliResult result = Download(kForum, {QStringLiteral("--match"), QStringLiteral("旅行")});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_TRUE(result.err.contains("Albums: 2, pictures saved: 9")) << result.err.constData();
    const CliResult both = Download(kForum, {QStringLiteral("--match"), QStringLiteral("旅行"),
                                             QStringLiteral("--albums"), QStringLiteral("1-4")});
    EXPECT_TRUE(both.err.contains("Albums: 1, pictures saved: 7")) << both.err.constData();
    const CliResult none = Download(kForum, {QStringLiteral("--match"), QStringLiteral("nowhere")});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.err.contains("No album matches."));
}

TEST_F(ExitStatus, ImportedCookiesOpenThePrivateAlbumAndStayPrivate) {
    const QString exported = save.write(
        QStringLiteral("exported.txt"),
        "# Netscape HTTP Cookie File\nxiangce.baidu.com\tFALSE\t/\tFALSE\t0\tverified\t1\n");
    const CliResult result =
        Run({QStringLiteral("download"), QStringLiteral("http://xiangce.baidu.com/u/private"),
             QStringLiteral("--save"), save.file(QStringLiteral("pictures")),
             QStringLiteral("--albums"), QStringLiteral("2"), QStringLiteral("--cookies"),
             exported});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_TRUE(result.err.contains("1 cookies imported")) << result.err.constData();
    EXPECT_TRUE(result.err.contains("pictures saved: 5")) << result.err.constData();
    // Kept for later runs, readable by the user alone.
    const QFileInfo kept(settings.file(QStringLiteral("cookies.txt")));
    EXPECT_TRUE(kept.exists());
    EXPECT_EQ(kept.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                    QFileDevice::WriteGroup | QFileDevice::WriteOther),
              0);
    const CliResult missing = Run({QStringLiteral("list"), kForum, QStringLiteral("--cookies"),
                                   save.file(QStringLiteral("missing.txt"))});
    EXPECT_EQ(missing.exitCode, 1);
}

TEST_F(ExitStatus, QuietAndVerbose) {
    const QStringList one = {QStringLiteral("--albums"), QStringLiteral("1")};
    const CliResult quiet = Download(kForum, one + QStringList{QStringLiteral("-q")});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_FALSE(quiet.err.contains("正在")) << quiet.err.constData();
    EXPECT_TRUE(quiet.err.contains("Albums: 1, pictures saved: 3"));
    save.write(QStringLiteral("c.txt"), "tieba.baidu.com\tFALSE\t/\tFALSE\t0\tBDUSS\tsecret\n");
    const CliResult verbose =
        Download(kForum, one + QStringList{QStringLiteral("-v"), QStringLiteral("--cookies"),
                                           save.file(QStringLiteral("c.txt"))});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_TRUE(verbose.err.contains("request http://tieba.baidu.com/photo/g?kw=demo"))
        << verbose.err.constData();
    EXPECT_TRUE(verbose.err.contains("Cookie: ***"));
    EXPECT_FALSE(verbose.err.contains("secret"));
}

}  // namespace
