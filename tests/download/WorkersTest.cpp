// The download workers against a local picture server: limits, order, fallback, busy answers,
// faults and stop.

#include "app/Harvest.h"
#include "download/DownProc.h"
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
// ending in "-missing" get a 404, "-busy" a 503 the first time, "-stall" part of a body and then
// silence, "-reset" part of a body and a reset.
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

class Workers : public ::testing::Test {
protected:
    Workers() : harvest(folder.path()) {
        harvest.SetView(&view);
        harvest.batch.albumFolder = folder.path();
        harvest.jobParams.threadCount = 5;
        harvest.jobParams.timeoutSec = 10;
        harvest.jobState = JOB_RUNNING;
    }

    void AddPicture(const QString& address, const QString& fileName) {
        harvest.batch.addresses.append(address);
        harvest.batch.fileNames.append(fileName);
        harvest.batch.extraHeaders.append(QString());
    }
    QStringList FilesOnDisk() const {
        return QDir(folder.path()).entryList(QDir::Files, QDir::Name);
    }

    TempDir folder;
    PictureServer server;
    RecordingView view;
    Harvest harvest;
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
        harvest.batch.Clear();
        harvest.jobParams.threadCount = static_cast<uint16_t>(c.threads);
        for (int i = 0; i < c.pictures; ++i) {
            AddPicture(local.Url(QStringLiteral("c%1.jpg").arg(i)),
                       QStringLiteral("c%1-%2.jpg").arg(c.threads).arg(i));
        }
        StartDownloadWorkers(harvest);
        EXPECT_EQ(local.MaxConcurrent(), c.maxInFlight) << c.threads;
        EXPECT_EQ(local.Arrivals().size(), c.pictures);
    }
    EXPECT_EQ(FilesOnDisk().size(), 9);
}

TEST_F(Workers, StartsInBatchOrderAndCountsEachPictureOnce) {
    // One worker, so the order the service sees is the order transfers start in;
    // with more, requests in flight together may reach it in either order.
    harvest.jobParams.threadCount = 1;
    for (int i = 0; i < 5; ++i) {
        AddPicture(server.Url(QStringLiteral("%1.jpg").arg(i)), QStringLiteral("%1.jpg").arg(i));
    }
    StartDownloadWorkers(harvest);

    EXPECT_EQ(server.Arrivals(), (QList<QByteArray>{"/pic/0.jpg", "/pic/1.jpg", "/pic/2.jpg",
                                                    "/pic/3.jpg", "/pic/4.jpg"}));

    const QStringList progress = view.EventsStartingWith(QStringLiteral("status2: 已下载"));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), QStringLiteral("status2: 已下载5/5......"));
    EXPECT_EQ(progress.count(QStringLiteral("status2: 已下载5/5......")),
              2);  // once more at the end
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 5 pictures")));
    EXPECT_EQ(FilesOnDisk(), (QStringList{"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg"}));
    EXPECT_EQ(folder.read(QStringLiteral("3.jpg")), PictureBytes("/pic/3.jpg"));
    EXPECT_FALSE(harvest.downloadRunning.load());
}

TEST_F(Workers, FallbackAddressAndBusyServer) {
    AddPicture(server.Url(QStringLiteral("a-missing")) + QStringLiteral("\r\n") +
                   server.Url(QStringLiteral("a.jpg")),
               QStringLiteral("a.jpg"));
    AddPicture(server.Url(QStringLiteral("b-busy")), QStringLiteral("b.jpg"));
    StartDownloadWorkers(harvest);
    EXPECT_EQ(folder.read(QStringLiteral("a.jpg")), PictureBytes("/pic/a.jpg"));
    EXPECT_EQ(folder.read(QStringLiteral("b.jpg")), PictureBytes("/pic/b-busy"));
    EXPECT_EQ(server.Arrivals().count("/pic/b-busy"), 2);
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("failed:")).isEmpty());
}

TEST_F(Workers, FailedPicturesLeaveNoFileAndAreReported) {
    harvest.jobParams.timeoutSec = 1;  // the stalled picture fails after a second without progress
    harvest.jobParams.minSizeKb = 1;
    AddPicture(server.Url(QStringLiteral("x-missing")), QStringLiteral("missing.jpg"));
    AddPicture(server.Url(QStringLiteral("x-reset")), QStringLiteral("reset.jpg"));
    AddPicture(server.Url(QStringLiteral("x-stall")), QStringLiteral("stall.jpg"));
    AddPicture(server.Url(QStringLiteral("ok.jpg")), QStringLiteral("ok.jpg"));
    StartDownloadWorkers(harvest);
    EXPECT_EQ(FilesOnDisk(), QStringList{QStringLiteral("ok.jpg")});
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("failed:")).size(), 3);
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 4 pictures")));
}

TEST_F(Workers, StopAbortsTransfersAndWaitsForThem) {
    for (int i = 0; i < 8; ++i) {
        AddPicture(server.Url(QStringLiteral("%1-stall").arg(i)), QStringLiteral("%1.jpg").arg(i));
    }
    std::thread stopper([this] {
        server.server().waitForRequests(5, 10s);
        harvest.RequestDownloadStop();
    });
    const auto started = std::chrono::steady_clock::now();
    StartDownloadWorkers(harvest);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(server.Arrivals().size(), 5);  // nothing started after the stop
    EXPECT_TRUE(FilesOnDisk().isEmpty());    // no picture and no temporary file
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("failed:")).isEmpty());
    EXPECT_TRUE(view.Saw(QStringLiteral("finished: 8 pictures")));
}

TEST_F(Workers, NothingToDo) {
    harvest.jobParams.threadCount = 0;
    AddPicture(server.Url(QStringLiteral("0.jpg")), QStringLiteral("0.jpg"));
    StartDownloadWorkers(harvest);
    harvest.batch.Clear();
    harvest.jobParams.threadCount = 5;
    StartDownloadWorkers(harvest);
    EXPECT_TRUE(view.Events().isEmpty());
    EXPECT_TRUE(server.Arrivals().isEmpty());
}

}  // namespace
