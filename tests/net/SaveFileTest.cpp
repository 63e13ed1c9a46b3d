#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <thread>

#include "NetTestSupport.h"
#include "net/URLSource2.h"
#include "support/Compress.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

const QByteArray kPicture = QByteArray(3000, '\xAB') + "JPEG-END";

QStringList Entries(const TempDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

HttpHandler PictureHost() {
    return [](const HttpRequest& request, HttpExchange& ex) {
        if (request.path == "/pic.jpg") {
            ex.respond(200, kPicture, {{"Content-Type", "image/jpeg"}});
        } else if (request.path == "/packed") {
            ex.respond(200, GzipBytes(kPicture), {{"Content-Encoding", "gzip"}});
        } else if (request.path == "/stall") {
            ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 9000\r\n\r\n" + kPicture.left(1000));
            ex.stall(10s);
        } else if (request.path == "/error") {
            ex.respond(500, "<html>server error page</html>");
        }
    };
}

UrlRequest Download(const HttpServer& server, const QString& path, const QString& savePath) {
    UrlRequest request = QuickRequest(server.url(path), 20000);
    request.readTimeoutMs = 300;
    request.savePath = savePath;
    request.failOnHttpError = true;
    return request;
}

TEST(SavePath, CompleteBodyIsRenamedIntoPlace) {
    HttpServer server(PictureHost());
    TempDir dir;
    dir.write("a.jpg", "old content, replaced on success");
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(Download(server, "/pic.jpg", dir.file("a.jpg")), response, 3))
        << response.error.toStdString();
    EXPECT_EQ(dir.read("a.jpg"), kPicture);
    EXPECT_TRUE(response.body.isEmpty());
    EXPECT_EQ(response.bodyLength, kPicture.size());
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("a.jpg")});

    // A compressed answer is stored as it came, and the markers are not applied.
    UrlRequest packed = Download(server, "/packed", dir.file("b.bin"));
    packed.endMarker = "JPEG";
    ASSERT_TRUE(FetchUrl(packed, response, 3));
    EXPECT_EQ(dir.read("b.bin"), GzipBytes(kPicture));
    UrlRequest marked = Download(server, "/pic.jpg", dir.file("c.jpg"));
    marked.endMarker = "JPEG";
    ASSERT_TRUE(FetchUrl(marked, response, 3));
    EXPECT_EQ(dir.read("c.jpg"), kPicture);
}

TEST(SavePath, NameNearTheFileNameLimitStillSaves) {
    HttpServer server(PictureHost());
    TempDir dir;
    const QString name = QString(80, QChar(0x76F8)) + QStringLiteral("ab.jpg");  // 246 bytes
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(Download(server, "/pic.jpg", dir.file(name)), response, 3))
        << response.error.toStdString();
    EXPECT_EQ(dir.read(name), kPicture);
    EXPECT_EQ(Entries(dir), QStringList{name});
}

TEST(SavePath, FailureLeavesNoFileUnderEitherName) {
    HttpServer server(PictureHost());
    TempDir dir;
    dir.write("blocker", "a file where a folder is expected");
    const struct {
        const char* name;
        const char* path;
        QString saveName;
        uint32_t maxSizeKb;
        const char* error;
    } cases[] = {
        {"over the size limit", "/pic.jpg", QStringLiteral("big.jpg"), 2, "body over size limit"},
        {"stalled body", "/stall", QStringLiteral("slow.jpg"), 0, "timed out"},
        {"error status", "/error", QStringLiteral("err.jpg"), 0, "HTTP 500"},
        {"unwritable folder", "/pic.jpg", QStringLiteral("blocker/x.jpg"), 0, nullptr},
    };
    for (const auto& c : cases) {
        UrlRequest request = Download(server, c.path, dir.file(c.saveName));
        request.maxSizeKb = c.maxSizeKb;
        UrlResponse response;
        EXPECT_FALSE(FetchUrl(request, response, 3)) << c.name;
        if (c.error) {
            EXPECT_EQ(response.error, QString::fromLatin1(c.error)) << c.name;
        } else {
            EXPECT_TRUE(response.error.startsWith(QStringLiteral("cannot create file")))
                << c.name << ": " << response.error.toStdString();
        }
        EXPECT_EQ(response.bodyLength, 0) << c.name;
        EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("blocker")}) << c.name;
    }
}

TEST(SavePath, FailureKeepsAnExistingFile) {
    HttpServer server(PictureHost());
    TempDir dir;
    dir.write("keep.jpg", "earlier download");
    UrlResponse response;
    EXPECT_FALSE(FetchUrl(Download(server, "/error", dir.file("keep.jpg")), response, 3));
    EXPECT_EQ(dir.read("keep.jpg"), "earlier download");
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("keep.jpg")});
}

TEST(SavePath, CancelRemovesThePartialFile) {
    HttpServer server(PictureHost());
    TempDir dir;
    UrlRequest request = Download(server, "/stall", dir.file("c.jpg"));
    request.readTimeoutMs = 20000;
    request.cancel = std::make_shared<std::atomic_bool>(false);
    UrlResponse response;
    bool ok = true;
    std::thread fetcher([&] { ok = FetchUrl(request, response, 3); });
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    request.cancel->store(true);
    fetcher.join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(response.error, QStringLiteral("cancelled"));
    EXPECT_TRUE(Entries(dir).isEmpty());
}

}  // namespace
