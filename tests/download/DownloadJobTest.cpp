// The download job end to end against the fake service, through http_proxy.

#include "download/ListFiles.h"
#include "net/NetworkThread.h"
#include "support/HarvestFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>

#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

class DownloadJob : public HarvestFixture {
protected:
    // Sets the Baidu kind's rules and parameters as the menu and dialogs would.
    void Configure(uint16_t options, uint8_t nameMode = FILE_NAME_SEQUENCE, int threads = 5) {
        harvest->UpdateSettings([&](SettingsBlock& block) {
            block.saveRules[1].optionFlags = options;
            block.saveRules[1].fileNameMode = nameMode;
            block.downloadParams[1].threadCount = static_cast<uint16_t>(threads);
            block.downloadParams[1].timeoutSec = 10;
        });
    }
    void Download(const QList<int>& albums) {
        view.savePath = save.path();
        view.chosen = albums;
        harvest->DownloadCommand();
        harvest->WaitForJobs();
    }
    QStringList Files(const QString& folder) const {
        return QDir(save.file(folder)).entryList(QDir::Files, QDir::Name);
    }
    int Pictures() const {
        return service.requestCount(FakePathKind::ForumPicture) +
               service.requestCount(FakePathKind::AlbumPicture);
    }

    // Polls until the condition holds (at most 10 s).
    static bool WaitUntil(const std::function<bool()>& condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > 10000) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    TempDir save;
};

TEST_F(DownloadJob, EachListTypeDownloadsIntoAlbumFolders) {
    struct Case {
        const char* address;
        int album;
        const char* folder;
        int pictures;
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=demo", 1, "demo/春天的花", 12},
        {"http://xiangce.baidu.com/u/demo", 1, "demo/春天的花", 12},
        {"http://tieba.baidu.com/photo/p?kw=demo&tid=1001", 0, "demo/手机相册", 3},
    };
    Configure(0);
    for (const Case& c : cases) {
        TempDir fresh;
        view.savePath = fresh.path();
        List(QString::fromUtf8(c.address));
        view.chosen = {c.album};
        harvest->DownloadCommand();
        harvest->WaitForJobs();
        const QString folder = fresh.file(QString::fromUtf8(c.folder));
        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        EXPECT_TRUE(files.removeOne(QStringLiteral("pic.kzt"))) << c.address;
        EXPECT_EQ(files.size(), c.pictures) << c.address;
        EXPECT_TRUE(files.contains(QStringLiteral("1.jpg"))) << c.address;
        EXPECT_EQ(harvest->jobState.load(), JOB_IDLE);
    }
    EXPECT_TRUE(view.Saw(QStringLiteral("status1: 正在下载第1/1个图集")));
    EXPECT_TRUE(view.Saw(QStringLiteral("status2: 已获取到3张图片信息")));
    EXPECT_TRUE(view.Saw(QStringLiteral("status1: 下载完毕")));
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("failed:")).isEmpty());
}

TEST_F(DownloadJob, SeveralAlbumsInChosenOrderAndTheMarker) {
    Configure(OPT_OPEN_FOLDER, FILE_NAME_SOURCE);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Download({3, 0, 6});  // 旅行, 手机相册, 空相册 (no pictures)
    EXPECT_TRUE(view.Saw(QStringLiteral("status1: 正在下载第2/3个图集")));
    EXPECT_EQ(Files(QStringLiteral("demo/手机相册")).size(), 4);  // 3 pictures and the marker
    EXPECT_EQ(Files(QStringLiteral("demo/旅行")).size(), 8);
    // Source-name mode: described pictures are named after their description.
    EXPECT_TRUE(Files(QStringLiteral("demo/旅行")).contains(QStringLiteral("照片 1.jpg")));
    EXPECT_FALSE(ReadDownloadedMarker(save.file(QStringLiteral("demo/旅行/"))).isEmpty());
    // The folder of the last album handled opens at the end; that album listed nothing, so it
    // is the job folder.
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("open: ")),
              QStringList{QStringLiteral("open: ") + save.file(QStringLiteral("demo/"))});
    const QStringList events = view.Events();
    EXPECT_LT(events.indexOf(QStringLiteral("downloading")),
              events.indexOf(QStringLiteral("downloaded")));
}

TEST_F(DownloadJob, DownloadsStartWhileTheAlbumIsStillListed) {
    Configure(0);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-1x450"));
    service.server().clearRequests();
    Download({0});
    int firstPicture = -1;
    int lastListPage = -1;
    const std::vector<HttpRequest> requests = service.server().requests();
    for (int i = 0; i < static_cast<int>(requests.size()); ++i) {
        if (requests[i].path.startsWith("/forum/pic/item/") && firstPicture < 0) {
            firstPicture = i;
        }
        if (requests[i].path.startsWith("/photo/g/bw/picture/list")) {
            lastListPage = i;
        }
    }
    ASSERT_GE(firstPicture, 0);
    EXPECT_LT(firstPicture, lastListPage);  // the listing's later pages overlap the downloads
    EXPECT_EQ(Files(QStringLiteral("gen-1x450/相册 1")).size(), 451);
}

TEST_F(DownloadJob, ListOnlyWritesAddressListsAndDownloadsNothing) {
    Configure(OPT_LIST_ONLY);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Download({0, 1});
    EXPECT_EQ(Pictures(), 0);
    EXPECT_EQ(Files(QStringLiteral("demo/手机相册")), QStringList{QStringLiteral("手机相册.lst")});
    EXPECT_EQ(Files(QStringLiteral("demo/春天的花")), QStringList{QStringLiteral("春天的花.lst")});
    const QByteArray list = save.read(QStringLiteral("demo/春天的花/春天的花.lst"));
    EXPECT_EQ(list.count("\r\n"), 12);
    EXPECT_TRUE(list.startsWith("http://imgsrc.baidu.com/forum/pic/item/"));
    EXPECT_EQ(harvest->LastResult().listed, 15);
}

TEST_F(DownloadJob, SkipDownloadedFetchesNothingNewTheSecondTime) {
    Configure(OPT_SKIP_DOWNLOADED | OPT_SOURCE_NAMES);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Download({1});
    const int first = Pictures();
    EXPECT_EQ(first, 12);
    const QByteArray names = save.read(QStringLiteral("demo/春天的花/春天的花.txt"));
    EXPECT_TRUE(names.startsWith("\xFF\xFE"));
    Download({1});
    EXPECT_EQ(Pictures(), first);
}

TEST_F(DownloadJob, RepairsNameFormatsAndOrderTimes) {
    Configure(OPT_FIX_FORMAT | OPT_FIX_ORDER);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults"));
    Download({0});  // 格式: jpg, png, gif, bmp under ".jpg" addresses
    QStringList files = Files(QStringLiteral("faults/格式"));
    files.removeOne(QStringLiteral("pic.kzt"));
    EXPECT_EQ(files, (QStringList{QStringLiteral("1.jpg"), QStringLiteral("2.png"),
                                  QStringLiteral("3.gif"), QStringLiteral("4.bmp")}));
    const auto time = [&](const QString& name) {
        return QFileInfo(save.file(QStringLiteral("faults/格式/") + name)).lastModified();
    };
    EXPECT_EQ(time(QStringLiteral("1.jpg")).secsTo(time(QStringLiteral("4.bmp"))), -180);
}

TEST_F(DownloadJob, SavePathProblemsStopBeforeTheBusyState) {
    Configure(0);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    view.chosen = {0};
    view.savePath = QStringLiteral("  ");
    harvest->DownloadCommand();
    harvest->WaitForJobs();
    EXPECT_TRUE(view.Saw(QStringLiteral("message: 提示: 请先设置保存路径")));

    view.savePath = save.write(QStringLiteral("a-file"), "x") + QStringLiteral("/below");
    harvest->DownloadCommand();
    harvest->WaitForJobs();
    EXPECT_TRUE(view.Saw(QStringLiteral("message: 提示: 请检测设置的保存路径是否有误")));
    EXPECT_FALSE(view.Saw(QStringLiteral("downloading")));
    EXPECT_EQ(harvest->jobState.load(), JOB_IDLE);  // the next press starts again
}

TEST_F(DownloadJob, StopDuringDownloadSkipsTheMarkerAndRepairsWhatIsSaved) {
    Configure(OPT_FIX_ORDER);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults"));
    view.savePath = save.path();
    view.chosen = {2};  // 停滞: one picture, then two that stall
    const int before = service.server().requestCount();
    harvest->DownloadCommand();
    // The picture list and the album's three pictures have been asked for.
    service.server().waitForRequests(before + 4, 10s);
    // The first picture is saved, the second has sent half its body (the third nothing).
    ASSERT_TRUE(WaitUntil([&] {
        return QFileInfo::exists(save.file(QStringLiteral("faults/停滞/1.jpg"))) &&
               QFileInfo(save.file(QStringLiteral("faults/停滞/2.jpg.quorvix-part"))).size() > 0;
    }));
    harvest->DownloadCommand();  // the stop command
    harvest->WaitForJobs();
    // The half picture is kept, with its validator, for the next run to continue.
    EXPECT_EQ(Files(QStringLiteral("faults/停滞")),
              (QStringList{QStringLiteral("1.jpg"), QStringLiteral("2.jpg.quorvix-part"),
                           QStringLiteral("2.jpg.quorvix-validator")}));
    EXPECT_EQ(harvest->LastResult().partialsKept, 1);
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 3 pictures")));
    EXPECT_TRUE(view.Saw(QStringLiteral("downloaded")));
    EXPECT_TRUE(harvest->LastResult().stopped);
    EXPECT_EQ(harvest->LastResult().failed(), 0);  // stopped pictures are not failures
    EXPECT_EQ(harvest->jobState.load(), JOB_IDLE);
}

// The skip rule once wrote its own state over the stop request, so the job went on with the
// next album and wrote the interrupted album's marker.
TEST_F(DownloadJob, StopWhileTheSkipRuleEndsAListingEndsTheJob) {
    Configure(OPT_SKIP_DOWNLOADED, FILE_NAME_SEQUENCE, 1);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-3x10"));
    const QString folder = save.file(QStringLiteral("gen-3x10/相册 1/"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString remembered =
        QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/gen-3x10_1_000005.jpg");
    WriteDownloadedMarker(remembered, folder);
    view.onPictureListed = [this](const PictureListedEvent& event) {
        if (event.albumListed == 5) {
            harvest->RequestDownloadStop();  // the next picture is the remembered one
        }
    };
    Download({0, 1, 2});
    EXPECT_TRUE(harvest->LastResult().stopped);
    EXPECT_EQ(ReadDownloadedMarker(folder), remembered);
    EXPECT_FALSE(view.Saw(QStringLiteral("status1: 正在下载第2/3个图集")));
    EXPECT_FALSE(QFileInfo::exists(save.file(QStringLiteral("gen-3x10/相册 2"))));
    EXPECT_EQ(harvest->jobState.load(), JOB_IDLE);
}

TEST_F(DownloadJob, AlbumThatIsNotWholeGetsNoMarkerAndARerunCompletesIt) {
    struct Case {
        const char* what;
        FakeOverride fault;
        int firstSaved;
        int pictures;
    };
    const Case cases[] = {
        {"a picture fails",
         {FakePathKind::ForumPicture, "gen-1x250_1_000007", 404, 1, {}},
         249,
         250},
        {"a list page fails", {FakePathKind::ForumPictureList, "&pn=2&", 404, 1, {}}, 200, 250},
    };
    Configure(OPT_SKIP_DOWNLOADED, FILE_NAME_SEQUENCE, 15);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir fresh;
        view.savePath = fresh.path();
        List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-1x250"));
        service.overrideNext(c.fault);
        view.chosen = {0};
        harvest->DownloadCommand();
        harvest->WaitForJobs();
        const QString folder = fresh.file(QStringLiteral("gen-1x250/相册 1/"));
        EXPECT_EQ(harvest->LastResult().saved, c.firstSaved);
        EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("pic.kzt")));

        harvest->DownloadCommand();
        harvest->WaitForJobs();
        EXPECT_EQ(harvest->LastResult().saved, c.pictures);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), c.pictures + 1);
        EXPECT_FALSE(ReadDownloadedMarker(folder).isEmpty());
    }
    EXPECT_TRUE(view.Saw(QStringLiteral("page failed: tieba.baidu.com: HTTP 404")));
}

TEST_F(DownloadJob, BusyListPageIsAskedAgainAndTheAlbumCompletes) {
    Configure(0);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    service.resetCounters();
    service.overrideNext({FakePathKind::ForumPictureList, "&pn=1&", 429, 1, "0"});
    Download({1});
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPictureList), 3);  // page 1 twice, page 2
    EXPECT_EQ(Files(QStringLiteral("demo/春天的花")).size(), 13);        // and the marker
    EXPECT_TRUE(harvest->LastResult().pageFailures.isEmpty());
}

TEST_F(DownloadJob, AlbumsOfOneJobGetTheFilesEachWouldGetAlone) {
    const auto tree = [](const TempDir& dir) {
        QMap<QString, QByteArray> files;
        QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            files.insert(path.mid(dir.path().size()), file.readAll());
        }
        return files;
    };
    struct Case {
        uint8_t albumNameMode;
        uint8_t fileNameMode;
        int files;  // pictures, names, markers
    };
    // Every option that writes or changes an album's files; then all albums in one folder,
    // where the sequence names of one album meet those of the others.
    const Case cases[] = {
        {ALBUM_NAME_ALBUM, FILE_NAME_SOURCE, 3 + 12 + 5 + 7 + 2 + 4 + 250 + 7 * 2},
        // The largest album's pictures (later albums write over the earlier ones' numbers, as
        // they do alone), the albums' name lists, one marker.
        {ALBUM_NAME_NONE, FILE_NAME_SEQUENCE, 250 + 7 + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.albumNameMode);
        Configure(OPT_SOURCE_NAMES | OPT_FIX_FORMAT, c.fileNameMode, 15);
        harvest->UpdateSettings(
            [&](SettingsBlock& block) { block.saveRules[1].albumNameMode = c.albumNameMode; });
        List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
        const QList<int> all = {0, 1, 2, 3, 4, 5, 6, 7};
        TempDir together;
        view.savePath = together.path();
        view.chosen = all;
        harvest->DownloadCommand();
        harvest->WaitForJobs();
        TempDir alone;
        view.savePath = alone.path();
        for (int album : all) {
            view.chosen = {album};
            harvest->DownloadCommand();
            harvest->WaitForJobs();
        }
        const QMap<QString, QByteArray> joint = tree(together);
        EXPECT_EQ(joint.size(), c.files);
        EXPECT_EQ(joint, tree(alone));
    }
}

// Two albums of different services with one name got one folder when downloaded in two jobs: the
// second wrote its pictures, list and marker into the first one's folder.
TEST_F(DownloadJob, AnAlbumKeepsItsOwnFolderAcrossJobs) {
    Configure(OPT_SKIP_DOWNLOADED | OPT_SOURCE_NAMES, FILE_NAME_SOURCE);
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Download({3});  // the forum's 旅行 (7 pictures)
    const QStringList forumFiles = Files(QStringLiteral("demo/旅行"));
    EXPECT_EQ(forumFiles.size(), 9);  // the pictures, the names, the marker

    List(QStringLiteral("http://xiangce.baidu.com/u/demo"));
    Download({3});  // the album service's 旅行: another album, same folder name
    EXPECT_EQ(Files(QStringLiteral("demo/旅行")), forumFiles);
    EXPECT_EQ(Files(QStringLiteral("demo/旅行 (1)")).size(), 9);

    // The forum's album goes back to its own folder: its marker is found, nothing new is fetched.
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    const int before = Pictures();
    Download({3});
    EXPECT_EQ(Pictures(), before);
    EXPECT_EQ(harvest->LastResult().skippedByRule, 1);
    EXPECT_FALSE(QFileInfo::exists(save.file(QStringLiteral("demo/旅行 (2)"))));
}

TEST(DownloadJobDeathTest, ShuttingTheNetworkDownWithADownloadRunningEndsPromptly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FakeService service;
            HttpProxyGuard proxy(service);
            TempDir settings;
            TempDir save;
            RecordingView view;
            auto harvest = std::make_unique<Harvest>(settings.path());
            harvest->SetView(&view);
            harvest->bReady = 1;
            view.address = QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults");
            harvest->GetAlbumsCommand();
            harvest->WaitForJobs();
            view.savePath = save.path();
            view.chosen = {2};  // pictures that stall
            harvest->DownloadCommand();
            service.server().waitForRequests(service.server().requestCount() + 4, 10s);
            const auto start = std::chrono::steady_clock::now();
            const bool stopped = NetworkThread::ShutdownIfStarted(2s);
            harvest.reset();  // stops the job and waits for it
            const bool prompt = std::chrono::steady_clock::now() - start < 2s;
            std::_Exit(stopped && prompt ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
