// The download workers against a local picture server: limits, order, fallback, busy answers,
// faults and stop.

#include "download/DownloadJob.h"
#include "support/HttpServer.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

QByteArray PictureBytes(const QByteArray& path) {
    return QByteArray("\xFF\xD8\xFF\xE0", 4) + path.repeated(200) + QByteArray("\xFF\xD9", 2);
}

// Serves "/pic/<name>" as picture bytes after a short delay, counting how many requests run at
// once and in which order they arrive. With Gather(n), each request first waits (up to 5 s) until
// n are in flight, so a limit is reached however slowly the client's connections come up. Names
// ending in "-missing" get a 404, "-empty" an empty 200, "-tiny" a few bytes, "-busy" a 503 the
// first time, "-stall" part of a body and then silence, "-reset" part of a body and a reset.
// "/pic/list" is the page the test's lister asks for.
class PictureServer {
public:
    PictureServer()
        : server_([this](const HttpRequest& request, HttpExchange& exchange) {
              Handle(request, exchange);
          }) {}

    QString Url(const QString& name) const { return server_.url(QStringLiteral("/pic/") + name); }
    int MaxConcurrent() const { return maxConcurrent_; }
    void Gather(int count) { gather_ = count; }
    QList<QByteArray> Arrivals() const {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }
    HttpServer& server() { return server_; }

private:
    void Handle(const HttpRequest& request, HttpExchange& exchange) {
        if (request.path == "/pic/list") {
            exchange.respond(200, "list");  // the page the test's lister asks for
            return;
        }
        const int now = ++concurrent_;
        int seen = maxConcurrent_.load();
        while (now > seen && !maxConcurrent_.compare_exchange_weak(seen, now)) {
        }
        bool firstBusy = false;
        {
            std::unique_lock lock(mutex_);
            arrivals_.append(request.path);
            firstBusy = request.path.endsWith("-busy") && busyAnswered_.insert(request.path).second;
            gathered_.notify_all();
            gathered_.wait_for(lock, 5s, [this] { return concurrent_ >= gather_; });
        }
        exchange.stall(30ms);
        if (request.path.endsWith("-missing")) {
            exchange.respond(404, "<html>not found</html>");
        } else if (request.path.endsWith("-empty")) {
            exchange.respond(200, QByteArray());
        } else if (request.path.endsWith("-tiny")) {
            exchange.respond(200, "tiny");
        } else if (firstBusy) {
            exchange.respond(503, "busy", {{"Retry-After", "1"}});
        } else if (request.path.endsWith("-stall")) {
            exchange.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" +
                             QByteArray(1000, 'x'));
            exchange.stall(60s);
        } else if (request.path.endsWith("-reset")) {
            exchange.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" +
                             QByteArray(1000, 'x'));
            exchange.reset();
        } else {
            exchange.respond(200, PictureBytes(request.path));
        }
        --concurrent_;
    }

    std::atomic<int> concurrent_{0};
    std::atomic<int> maxConcurrent_{0};
    std::atomic<int> gather_{0};
    mutable std::mutex mutex_;
    std::condition_variable gathered_;
    QList<QByteArray> arrivals_;
    std::set<QByteArray> busyAnswered_;
    HttpServer server_;  // last: stops before the members its handler uses
};

// A lister that asks the server for one page and hands over the pictures the test gives.
class GivenPictures : public PictureCursor {
public:
    GivenPictures(QString listUrl, QList<PictureEntry> pictures)
        : listUrl_(std::move(listUrl)), pictures_(std::move(pictures)) {}
    UrlRequest NextRequest() override { return UrlRequest(listUrl_); }
    bool TakePage(const QString&, PictureSink& sink) override {
        for (const PictureEntry& picture : pictures_) {
            if (!sink.AddPicture(picture)) {
                break;
            }
        }
        return false;
    }

private:
    QString listUrl_;
    QList<PictureEntry> pictures_;
};

// One album of pictures downloaded by a download job into the folder, each under the name the
// test gives it.
class Workers : public ::testing::Test {
protected:
    Workers() {
        inputs.savePath = folder.path();
        inputs.rules.fileNameMode = FILE_NAME_SOURCE;
        inputs.rules.albumNameMode = ALBUM_NAME_NONE;
        inputs.params.threadCount = 5;
        inputs.params.timeoutSec = 10;
        ST_PERLISTRECORD album;
        album.strName = QStringLiteral("album");
        album.strKey = QStringLiteral("key");
        inputs.albums = {album};
    }

    void AddPicture(const QString& address, const QString& fileName,
                    const QString& fallback = QString()) {
        PictureEntry entry;
        entry.address = address;
        entry.fallback = fallback;
        entry.description = fileName;
        pictures.append(entry);
    }
    JobResult Run(PictureServer& server) {
        job = std::make_unique<DownloadJob>(inputs, view, [&](const ST_PERLISTRECORD&) {
            return std::make_unique<GivenPictures>(server.Url(QStringLiteral("list")), pictures);
        });
        return job->Run();
    }
    QStringList FilesOnDisk() const {
        return QDir(folder.path()).entryList(QDir::Files, QDir::Name);
    }

    TempDir folder;
    PictureServer server;
    RecordingView view;
    DownloadJobInputs inputs;
    QList<PictureEntry> pictures;
    std::unique_ptr<DownloadJob> job;
};

TEST_F(Workers, NeverMoreInFlightThanThreadsOrPictures) {
    struct Case {
        int threads;
        int pictures;
        int maxInFlight;
    };
    for (const Case c : {Case{10, 3, 3}, Case{2, 6, 2}}) {
        PictureServer local;
        local.Gather(c.maxInFlight);
        pictures.clear();
        inputs.params.threadCount = static_cast<uint16_t>(c.threads);
        for (int i = 0; i < c.pictures; ++i) {
            AddPicture(local.Url(QStringLiteral("c%1.jpg").arg(i)),
                       QStringLiteral("c%1-%2.jpg").arg(c.threads).arg(i));
        }
        const JobResult result = Run(local);
        EXPECT_EQ(local.MaxConcurrent(), c.maxInFlight) << c.threads;
        EXPECT_EQ(local.Arrivals().size(), c.pictures);
        EXPECT_EQ(result.saved, c.pictures);
    }
    EXPECT_EQ(FilesOnDisk().size(), 10);  // and the album's marker
}

TEST_F(Workers, StartsInListingOrderAndCountsEachPictureOnce) {
    // One worker, so the order the service sees is the order transfers start in;
    // with more, requests in flight together may reach it in either order.
    inputs.params.threadCount = 1;
    for (int i = 0; i < 5; ++i) {
        AddPicture(server.Url(QStringLiteral("%1.jpg").arg(i)), QStringLiteral("%1.jpg").arg(i));
    }
    const JobResult result = Run(server);

    EXPECT_EQ(server.Arrivals(), (QList<QByteArray>{"/pic/0.jpg", "/pic/1.jpg", "/pic/2.jpg",
                                                    "/pic/3.jpg", "/pic/4.jpg"}));

    const QStringList progress = view.EventsStartingWith(QStringLiteral("status2: 已下载"));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.first(), QStringLiteral("status2: 已下载1/5......"));
    EXPECT_EQ(progress.last(), QStringLiteral("status2: 已下载5/5......"));
    EXPECT_EQ(progress.count(QStringLiteral("status2: 已下载5/5......")),
              2);  // once more at the end
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 5 pictures")));
    EXPECT_EQ(FilesOnDisk(), (QStringList{"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg", "pic.kzt"}));
    EXPECT_EQ(folder.read(QStringLiteral("3.jpg")), PictureBytes("/pic/3.jpg"));
    EXPECT_EQ(result.saved, 5);
    EXPECT_EQ(result.listed, 5);
}

TEST_F(Workers, FallbackAddressAndBusyServer) {
    // The fallback after a failed fetch and after an empty answer, into the same file.
    AddPicture(server.Url(QStringLiteral("a-missing")), QStringLiteral("a.jpg"),
               server.Url(QStringLiteral("a.jpg")));
    AddPicture(server.Url(QStringLiteral("e-empty")), QStringLiteral("e.jpg"),
               server.Url(QStringLiteral("e.jpg")));
    AddPicture(server.Url(QStringLiteral("b-busy")), QStringLiteral("b.jpg"));
    const JobResult result = Run(server);
    EXPECT_EQ(folder.read(QStringLiteral("a.jpg")), PictureBytes("/pic/a.jpg"));
    EXPECT_EQ(folder.read(QStringLiteral("e.jpg")), PictureBytes("/pic/e.jpg"));
    EXPECT_EQ(folder.read(QStringLiteral("b.jpg")), PictureBytes("/pic/b-busy"));
    EXPECT_EQ(server.Arrivals().count("/pic/b-busy"), 2);
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("failed:")).isEmpty());
    EXPECT_EQ(result.saved, 3);
}

TEST_F(Workers, FailedPicturesLeaveNoFileAndAreReported) {
    inputs.params.timeoutSec = 1;  // the stalled picture fails after a second without progress
    inputs.params.minSizeKb = 1;
    inputs.retries = 0;  // tried again, they would fail the same way
    AddPicture(server.Url(QStringLiteral("x-missing")), QStringLiteral("missing.jpg"));
    AddPicture(server.Url(QStringLiteral("x-reset")), QStringLiteral("reset.jpg"));
    AddPicture(server.Url(QStringLiteral("x-stall")), QStringLiteral("stall.jpg"));
    AddPicture(server.Url(QStringLiteral("x-tiny")), QStringLiteral("tiny.jpg"));
    AddPicture(server.Url(QStringLiteral("ok.jpg")), QStringLiteral("ok.jpg"));
    const JobResult result = Run(server);
    // No marker either: the album is not whole.
    EXPECT_EQ(FilesOnDisk(), QStringList{QStringLiteral("ok.jpg")});
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("failed:")).size(), 3);
    EXPECT_EQ(result.failed(), 3);
    // Under the size filter is left out, not failed.
    EXPECT_EQ(result.skippedBySize, 1);
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 5 pictures")));
}

TEST_F(Workers, StopAbortsTransfersAndWaitsForThem) {
    for (int i = 0; i < 8; ++i) {
        AddPicture(server.Url(QStringLiteral("%1-stall").arg(i)), QStringLiteral("%1.jpg").arg(i));
    }
    std::thread stopper([this] {
        server.server().waitForRequests(6, 10s);  // the list and five pictures
        job->RequestStop();
    });
    const auto started = std::chrono::steady_clock::now();
    const JobResult result = Run(server);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    // Nothing started after the stop: the list and the five pictures the stop waited for (a
    // handler may not have run for a request whose transfer the stop aborted).
    EXPECT_EQ(server.server().requests().size(), 6);
    EXPECT_TRUE(FilesOnDisk().isEmpty());    // no picture, no temporary file, no marker
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("failed:")).isEmpty());
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 8 pictures")));
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.failed(), 0);
}

TEST_F(Workers, AlbumWithoutPicturesFetchesNothingMore) {
    const JobResult result = Run(server);
    EXPECT_TRUE(server.Arrivals().isEmpty());
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("finished:")).isEmpty());
    EXPECT_EQ(result.listed, 0);
    EXPECT_TRUE(FilesOnDisk().isEmpty());
}

}  // namespace
