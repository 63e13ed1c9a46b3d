// The album-list job end to end against the fake service, through http_proxy.

#include "fakeservice/FakeText.h"
#include "support/HarvestFixture.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

using ListingJob = HarvestFixture;

const QStringList kDemoAlbums = {QStringLiteral("手机相册"),    QStringLiteral("春天的花"),
                                 QStringLiteral("Tom & Jerry"), QStringLiteral("旅行"),
                                 QStringLiteral("旅行 (1)"),    QStringLiteral("上级目录"),
                                 QStringLiteral("空相册"),      QStringLiteral("大相册")};

TEST_F(ListingJob, EachAddressFormReachesItsLister) {
    struct Case {
        const char* address;
        int listType;
        int albums;
        const char* forum;
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=demo&ie=utf-8", LIST_TYPE_TIEBA_ALBUMS, 8, "demo"},
        {"https://tieba.baidu.com/photo/g?kw=demo#top", LIST_TYPE_TIEBA_ALBUMS, 8, "demo"},
        {"http://xiangce.baidu.com/u/demo?from=home", LIST_TYPE_XIANGCE, 8, ""},
        {"http://xiangce.baidu.com/picture/detail/demo/3", LIST_TYPE_XIANGCE, 8, ""},
        {"http://tieba.baidu.com/photo/p?kw=demo&tid=1001", LIST_TYPE_TIEBA_POST, 1, "demo"},
    };
    for (const Case& c : cases) {
        harvest->SetForumName(QString());
        List(QString::fromUtf8(c.address));
        EXPECT_EQ(harvest->nListType.load(), c.listType) << c.address;
        EXPECT_EQ(harvest->albums.size(), c.albums) << c.address;
        EXPECT_EQ(harvest->AccountFolder(), QStringLiteral("demo/")) << c.address;
        EXPECT_EQ(harvest->ForumName(), QString::fromUtf8(c.forum)) << c.address;
        EXPECT_EQ(harvest->nListState.load(), LIST_IDLE);
    }
    EXPECT_EQ(AlbumNames(), QStringList{QStringLiteral("手机相册")});
}

TEST_F(ListingJob, ReportsTheCountAndRemembersTheAddress) {
    const QString address = QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo");
    List(address);
    EXPECT_EQ(AlbumNames(), kDemoAlbums);
    EXPECT_EQ(view.RowsAdded(), 8);
    const QStringList events = view.Events();
    EXPECT_LT(events.indexOf(QStringLiteral("listing")), events.indexOf(QStringLiteral("listed")));
    EXPECT_TRUE(view.Saw(QStringLiteral("group: 相册列表(共8个)")));
    EXPECT_TRUE(view.Saw(QStringLiteral("status1: 获取相册列表完成，共8个")));
    EXPECT_TRUE(view.Saw(QStringLiteral("history 0: ") + address));
    EXPECT_FALSE(view.Saw(QStringLiteral("auto download")));
    EXPECT_EQ(harvest->Settings().addressHistory[0], address);

    // The same address in other letters is not added again.
    List(address.toUpper().replace(QStringLiteral("KW=DEMO"), QStringLiteral("kw=demo")));
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("history")).size(), 1);
}

TEST_F(ListingJob, SinglePostStartsItsDownload) {
    List(QStringLiteral("http://tieba.baidu.com/photo/p?kw=demo&tid=1001"));
    EXPECT_TRUE(view.Saw(QStringLiteral("auto download")));
}

TEST_F(ListingJob, NothingFoundLeavesHistoryAlone) {
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=%E4%B8%AD%E6%96%87"));
    EXPECT_EQ(harvest->albums.size(), 0);
    EXPECT_TRUE(view.Saw(QStringLiteral("listed nothing")));
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("history")).isEmpty());
    EXPECT_TRUE(harvest->Settings().addressHistory[0].isEmpty());
    // Today's UTF-8 forum names and older GBK ones both become readable folder names.
    EXPECT_EQ(harvest->AccountFolder(), QStringLiteral("中文/"));
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=%D6%D0%CE%C4"));
    EXPECT_EQ(harvest->AccountFolder(), QStringLiteral("中文/"));
}

TEST_F(ListingJob, RefusedAddresses) {
    List(QStringLiteral("   "));
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("message: ")).size(), 1);
    EXPECT_FALSE(view.Saw(QStringLiteral("listing")));
    EXPECT_EQ(harvest->nListState.load(), LIST_IDLE);

    List(QStringLiteral("tieba.baidu.com/photo/g?kw=demo"));
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("message: ")).size(), 2);
    EXPECT_TRUE(view.Saw(QStringLiteral("listed nothing")));
    EXPECT_EQ(service.totalRequests(), 0);
}

TEST_F(ListingJob, RepeatingServicesStillEnd) {
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=repeat"));
    EXPECT_EQ(harvest->albums.size(), 45);
    List(QStringLiteral("http://xiangce.baidu.com/u/repeat"));
    EXPECT_EQ(harvest->albums.size(), 45);
}

TEST_F(ListingJob, StopEndsAfterTheCurrentAlbumAndKeepsIt) {
    view.onAddRow = [this](int) { harvest->GetAlbumsCommand(); };  // the user presses stop
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-300x1"));
    EXPECT_EQ(harvest->albums.size(), 1);
    EXPECT_EQ(harvest->nListState.load(), LIST_IDLE);
    EXPECT_TRUE(view.Saw(QStringLiteral("status1: 获取相册列表完成，共1个")));
    // The first page, and the few asked for ahead of it.
    EXPECT_LE(service.requestCount(FakePathKind::ForumWall), 4);
}

// A stop while a page hung on a stalled server waited for the page's time-out, then reported a
// failed page.
TEST_F(ListingJob, StopWhileAPageStallsIsAStopAtOnce) {
    service.overrideNext({FakePathKind::AlbumHome, "", 200, 1, "", FakeFault::StallBeforeHeaders});
    view.address = QStringLiteral("http://xiangce.baidu.com/u/demo");
    harvest->GetAlbumsCommand();
    ASSERT_TRUE(service.server().waitForRequests(1, std::chrono::seconds(10)));
    harvest->GetAlbumsCommand();  // the user presses stop
    harvest->WaitForJobs();
    EXPECT_EQ(harvest->nListState.load(), LIST_IDLE);
    EXPECT_FALSE(harvest->LastListing().failure.has_value());
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("status1: 获取相册列表失败")).isEmpty());
}

// An unreachable host once ended as a plain count, exactly like an empty forum.
TEST_F(ListingJob, UnreachableHostSaysTheListingFailed) {
    QString closed;
    {
        FakeService gone;
        closed = gone.proxyUrl();
    }
    HttpProxyGuard unreachable(closed);
    harvest->retries = 0;  // a refused connection is not worth waiting for here
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    EXPECT_TRUE(
        view.Saw(QStringLiteral("status1: 获取相册列表失败（tieba.baidu.com 连接被拒绝），共0个")));
    const ListingSummary summary = harvest->LastListing();
    ASSERT_TRUE(summary.failure.has_value());
    EXPECT_EQ(summary.failure->kind, FetchError::Refused);
    EXPECT_TRUE(summary.failure->url.startsWith(QStringLiteral("http://tieba.baidu.com/photo/g?")));
}

TEST_F(ListingJob, BusyWallPageIsAskedAgain) {
    service.overrideNext({FakePathKind::ForumWall, "&pn=1&", 503, 1, "0"});
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    EXPECT_EQ(harvest->albums.size(), 8);
    EXPECT_FALSE(harvest->LastListing().failure.has_value());
    int firstPage = 0;
    for (const HttpRequest& request : service.server().requests()) {
        firstPage += fake::QueryValue(request.path, "pn") == "1" ? 1 : 0;
    }
    EXPECT_EQ(firstPage, 2);
    // Beside it, pages 2 to 5 at most, asked for ahead (page 2 ends the wall).
    EXPECT_LE(service.requestCount(FakePathKind::ForumWall), 6);
}

// The fake service ignores most query values, so nothing showed that a page's address was whole,
// and libcurl's own "Accept: */*" went out beside the page's header lines.
TEST_F(ListingJob, PageRequestsAreExactlyTheirAddressesAndHeaderLines) {
    const QString token = QStringLiteral(R"(0\.\d{16}%0A)");  // MakeRandomToken, line feed encoded
    struct Case {
        const char* address;
        QString firstPage;  // the target of the first list request, as a pattern
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=demo",
         QStringLiteral(R"(http://tieba\.baidu\.com/photo/g\?kw=demo&alt=jview&pn=1&rn=30)"
                        R"(&cat_id=all&_=)") +
             token},
        {"http://xiangce.baidu.com/u/demo",
         QStringLiteral(R"(http://xiangce\.baidu\.com/album/list/demo\?size=2000&album_type=0)"
                        R"(&album_sign=&_=)") +
             token},
    };
    for (const Case& c : cases) {
        service.server().clearRequests();
        List(QString::fromUtf8(c.address));
        const std::vector<HttpRequest> requests = service.server().requests();
        const QRegularExpression page(QStringLiteral("\\A") + c.firstPage + QStringLiteral("\\z"));
        const auto first =
            std::find_if(requests.begin(), requests.end(), [&](const HttpRequest& r) {
                return page.match(QString::fromUtf8(r.target)).hasMatch();
            });
        ASSERT_NE(first, requests.end()) << c.address << " " << requests.back().target.constData();
        QStringList names;
        for (const auto& header : first->headers) {
            names << QString::fromLatin1(header.first).toLower();
        }
        names.removeOne(QStringLiteral("proxy-connection"));  // for the proxy, not the service
        names.sort();
        EXPECT_EQ(names, (QStringList{"accept-encoding", "cache-control", "host", "user-agent"}))
            << c.address;
        EXPECT_EQ(first->header("Accept-Encoding"), "gzip, deflate");
        EXPECT_EQ(first->header("Cache-Control"), "no-cache");
        EXPECT_EQ(first->header("User-Agent"),
                  "Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, like Gecko) "
                  "Chrome/44.0.12.87 Safari/537.36");
    }
}

TEST_F(ListingJob, NotReadyIgnoresTheCommand) {
    harvest->bReady = 0;
    List(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    EXPECT_TRUE(view.Events().isEmpty());
}

}  // namespace
