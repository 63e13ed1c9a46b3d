// Hostile pages end to end: quorvix-cli downloads from the fake service's "hostile" forum, whose
// album and picture names try to leave the save folder or break file names, and whose pictures
// redirect in a loop, never end or announce 2 GB. Every file stays inside the save folder, every
// path component fits, nothing waits past its time-outs and memory stays bounded.

#include "fakeservice/FakeService.h"
#include "fakeservice/HostilePages.h"
#include "reliability/SaveTree.h"
#include "support/CliRun.h"
#include "support/TempDir.h"
#include "text/TextPrinters.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

const QString kForum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=hostile");

class HostilePages : public ::testing::Test {
protected:
    HostilePages() { QDir().mkpath(save()); }

    // The save folder lies one level below a folder that must stay empty otherwise.
    QString save() const { return outer.file(QStringLiteral("save/")); }

    CliResult Download(const QString& address, const QStringList& extra, int timeoutMs = 60000) {
        return RunCli(QStringList{QStringLiteral("download"), address, QStringLiteral("--save"),
                                  save(), QStringLiteral("--settings-dir"), settings.path(),
                                  QStringLiteral("--timeout"), QStringLiteral("10")} +
                          extra,
                      service.proxyUrl(), timeoutMs);
    }

    // The tree below the save folder; nothing was made beside it.
    SaveTree CheckedTree() const {
        EXPECT_EQ(
            QDir(outer.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
            QStringList{QStringLiteral("save")});
        const SaveTree tree = ReadSaveTree(save());
        EXPECT_EQ(tree.problems, QStringList());
        EXPECT_EQ(TemporaryFiles(tree), QStringList());
        return tree;
    }

    TempDir settings;
    TempDir outer;
    FakeService service;
};

int OrdinaryPictures() {
    int count = 0;
    for (int album = 0; album < HostileAlbumCount(); ++album) {
        if (album != HostileBadPicturesAlbum()) {
            count += HostilePictureCount(album);
        }
    }
    return count;
}

QString OrdinaryAlbums() {
    return QStringLiteral("1-%1").arg(HostileBadPicturesAlbum());
}

TEST_F(HostilePages, NamesStayInsideTheSaveFolderInEveryNamingMode) {
    const char* const modes[] = {"desc", "seq", "url"};
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        QDir(save()).removeRecursively();
        QDir().mkpath(save());
        const CliResult result = Download(
            kForum, {QStringLiteral("--albums"), OrdinaryAlbums(), QStringLiteral("--name-mode"),
                     QLatin1String(mode), QStringLiteral("--source-names")});
        EXPECT_EQ(result.exitCode, 0) << result.err.constData();
        const SaveTree tree = CheckedTree();
        EXPECT_EQ(PictureFiles(tree).size(), OrdinaryPictures())
            << tree.files.join(u'\n').toStdString();
        // One folder for the forum, one per album.
        EXPECT_EQ(tree.folders.size(), 1 + HostileBadPicturesAlbum())
            << tree.folders.join(u'\n').toStdString();
    }
}

TEST_F(HostilePages, AddressListsStayInsideTheSaveFolder) {
    const CliResult result = Download(kForum, {QStringLiteral("--list-only")});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    const SaveTree tree = CheckedTree();
    EXPECT_EQ(PictureFiles(tree), QStringList());
    int lists = 0;
    for (const QString& file : tree.files) {
        lists += file.endsWith(QLatin1String(".lst"));
    }
    EXPECT_EQ(lists, HostileAlbumCount());
}

TEST_F(HostilePages, ListingPrintsOneLinePerAlbum) {
    const CliResult result =
        RunCli({QStringLiteral("list"), kForum, QStringLiteral("--settings-dir"), settings.path()},
               service.proxyUrl());
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out.count('\n'), HostileAlbumCount());
    EXPECT_FALSE(result.out.contains('\r'));
}

TEST_F(HostilePages, HostileForumNamesAndPostTitlesMakeUsableFolders) {
    const QString post = QStringLiteral("http://tieba.baidu.com/photo/p?kw=hostile&tid=%1");
    const QString forum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=%1");
    const QString addresses[] = {
        forum.arg(QStringLiteral(".%20..%20.")),  // cleaned, it named the parent folder
        forum.arg(QStringLiteral("..%2F..%2F..%2Fhostile")),
        forum.arg(QStringLiteral("%2E%2E%2Fhostile%2F%2E%2E")),
        forum.arg(QStringLiteral(".%20.hostile")),
        forum.arg(QStringLiteral("hostile%1b%5B2J%0D%0A%07%00x")),
        forum.arg(QStringLiteral("%FF%FEhostile%C0%AF%ED%A0%80")),  // not UTF-8: read as GBK
        forum.arg(QStringLiteral("hostile") + QStringLiteral("%E9%95%BF").repeated(300)),
        post.arg(HostileTid(0)),
        post.arg(HostileTid(9)),
    };
    for (const QString& address : addresses) {
        SCOPED_TRACE(address.left(120).toStdString());
        QDir(save()).removeRecursively();
        QDir().mkpath(save());
        const CliResult result = Download(address, {QStringLiteral("--albums"), QStringLiteral("1"),
                                                    QStringLiteral("--source-names")});
        EXPECT_EQ(result.exitCode, 0) << result.err.constData();
        const SaveTree tree = CheckedTree();
        EXPECT_EQ(PictureFiles(tree).size(), 2) << tree.files.join(u'\n').toStdString();
    }
}

TEST_F(HostilePages, PicturesThatLoopNeverEndOrAnnounceTwoGigabytesFailInTime) {
    QElapsedTimer clock;
    clock.start();
    const CliResult result = Download(
        kForum, {QStringLiteral("--albums"), QString::number(HostileBadPicturesAlbum() + 1),
                 QStringLiteral("--threads"), QStringLiteral("4")});
    const qint64 elapsedMs = clock.elapsed();
    ASSERT_EQ(result.exitCode, 3) << result.err.constData();
    for (const char* reason :
         {"-loop.jpg (too many redirects)", "-endless.jpg (body over size limit)",
          "-huge.jpg (body over size limit)"}) {
        EXPECT_TRUE(result.err.contains(reason)) << reason << "\n" << result.err.constData();
    }
    EXPECT_TRUE(result.err.contains("pictures saved: 1, failed: 3")) << result.err.constData();
    const SaveTree tree = CheckedTree();
    EXPECT_EQ(PictureFiles(tree).size(), 1) << tree.files.join(u'\n').toStdString();
    // Well within one picture time-out (10 s) and far below 2 GB of memory.
    EXPECT_LT(elapsedMs, 30000);
    EXPECT_LT(LargestChildRssKb(), 1024 * 1024) << "KiB";
}

// A wall page whose gzip body inflated past the cap was parsed up to the cap all the same, and
// its 150,000 tiles of one name kept the listing busy for minutes. Such a page is now a page that
// could not be fetched, and nothing of it is used.
TEST_F(HostilePages, WallPageBeyondItsCapIsAFailedPage) {
    const CliResult listed = RunCli(
        {QStringLiteral("list"), QStringLiteral("http://tieba.baidu.com/photo/g?kw=onepage-160000"),
         QStringLiteral("--settings-dir"), settings.path()},
        service.proxyUrl());
    EXPECT_TRUE(listed.out.isEmpty());
    EXPECT_TRUE(listed.err.contains("page text beyond 64 MiB")) << listed.err.constData();
    EXPECT_TRUE(listed.err.contains("获取相册列表失败")) << listed.err.constData();
}

}  // namespace
