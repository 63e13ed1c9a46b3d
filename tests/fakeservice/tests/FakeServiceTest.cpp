// The fake service on the wire: the product's own fetcher reaches it through http_proxy, in
// process and as the separate executable.

#include "fakeservice/FakeService.h"
#include "fakeservice/PictureHost.h"
#include "net/URLSource2.h"
#include "sources/PageFetch.h"
#include "sources/TiebaAlbums.h"
#include "sources/XiangceAlbums.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <future>
#include <thread>

namespace {

TEST(FakeService, ProductFetchesPagesThroughTheProxy) {
    FakeService service;
    HttpProxyGuard proxy(service);
    for (const bool gzip : {true, false}) {
        SCOPED_TRACE(gzip ? "gzip" : "plain");
        FakeOptions options;
        options.gzip = gzip;
        service.setOptions(options);
        UrlRequest home = MakePageRequest(XiangceHomeUrl(QStringLiteral("demo")));
        home.endMarker = "id=\"feedback\"";
        const PageText page = FetchListPage(home, TEXT_INFLATE | TEXT_UTF8, 0, StopCheck());
        ASSERT_TRUE(page.ok);
        EXPECT_EQ(ParseXiangceHomePage(page.text).size(), 1);
        EXPECT_FALSE(page.text.contains(QLatin1String("feedback-tail")));
    }
    const PageText wall =
        FetchListPage(MakePageRequest(TiebaAlbumWallUrl(QStringLiteral("demo"), 1)),
                      TEXT_INFLATE | TEXT_UTF8, 0, StopCheck());
    ASSERT_TRUE(wall.ok);
    EXPECT_EQ(ParseTiebaAlbumPage(wall.text).size(), 8);

    EXPECT_EQ(service.requestCount(FakePathKind::AlbumHome), 2);
    EXPECT_EQ(service.requestCount(FakePathKind::ForumWall), 1);
    EXPECT_EQ(service.totalRequests(), 3);
    const std::vector<HttpRequest> requests = service.server().requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].proxyForm);
    EXPECT_EQ(requests[0].host, "xiangce.baidu.com");
}

TEST(FakeService, PictureFaultsReachTheFetcher) {
    FakeService service;
    HttpProxyGuard proxy(service);
    struct Case {
        const char* id;
        bool ok;
    };
    const Case cases[] = {{"f_1_000001-b70000", true},
                          {"f_1_000002-reset", false},
                          {"f_1_000003-short", false},
                          {"f_1_000004-stall", false},
                          {"f_1_000005-stallhead", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        UrlRequest request(
            QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/%1.jpg").arg(c.id), QString(),
            500);
        request.retryDelaySec = 0;
        UrlResponse response;
        EXPECT_EQ(FetchUrl(request, response, 0), c.ok);
        if (c.ok) {
            EXPECT_EQ(response.body,
                      PictureBytes(QString::fromUtf8(c.id), PictureVariant::Jpeg, 70000));
        }
    }
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPicture), 5);
}

TEST(FakeServiceExecutable, PrintsItsPortAndServesUntilStdinCloses) {
    // The program lives on a thread of its own: ThreadSanitizer's record of a thread does not
    // survive starting a process (see support/CliRun.cpp).
    std::promise<QByteArray> firstLine;
    std::promise<void> fetched;
    std::thread owner([&] {
        QProcess process;
        process.start(QStringLiteral(QUORVIX_FAKESERVICE_EXE),
                      {QStringLiteral("--picture-bytes"), QStringLiteral("5000"),
                       QStringLiteral("--idle-exit-sec"), QStringLiteral("60")});
        const bool ready = process.waitForStarted(10000) && process.waitForReadyRead(10000);
        firstLine.set_value(ready ? process.readLine().trimmed() : QByteArray());
        fetched.get_future().wait();
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    });
    const QByteArray line = firstLine.get_future().get();
    EXPECT_TRUE(line.startsWith("PORT ")) << line.toStdString();
    const int port = line.mid(5).toInt();
    if (port > 0) {
        HttpProxyGuard proxy(QStringLiteral("http://127.0.0.1:%1").arg(port));
        UrlRequest request(QStringLiteral("http://c.hiphotos.baidu.com/album/pic/item/d_1_0.jpg"));
        UrlResponse response;
        EXPECT_TRUE(FetchUrl(request, response, 0));
        EXPECT_EQ(response.body.size(), 5000);
        EXPECT_TRUE(response.body.startsWith("\xFF\xD8"));
    }
    fetched.set_value();
    owner.join();
}

}  // namespace
