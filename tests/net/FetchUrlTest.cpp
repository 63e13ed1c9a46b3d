#include <gtest/gtest.h>

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "NetTestSupport.h"
#include "net/NetworkThread.h"
#include "net/URLSource2.h"
#include "support/Compress.h"
#include "support/HttpServer.h"

using namespace std::chrono_literals;

namespace {

// Answers the bodies in turn, repeating the last one.
HttpHandler Sequence(std::vector<QByteArray> bodies, HttpHeaders headers = {}) {
    auto next = std::make_shared<std::atomic_int>(0);
    return [=](const HttpRequest&, HttpExchange& ex) {
        const int i = std::min<int>(next->fetch_add(1), static_cast<int>(bodies.size()) - 1);
        ex.respond(200, bodies[static_cast<size_t>(i)], headers);
    };
}

// Collects the outcomes of FetchUrlAsync calls.
class AsyncResults {
public:
    FetchDone callback() {
        return [this](UrlResponse&& response, bool ok) {
            std::lock_guard lock(mutex_);
            results_.push_back({std::move(response), ok, std::this_thread::get_id()});
            changed_.notify_all();
        };
    }
    bool waitFor(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return results_.size() >= count; });
    }
    struct Result {
        UrlResponse response;
        bool ok;
        std::thread::id thread;
    };
    std::vector<Result> results() {
        std::lock_guard lock(mutex_);
        return results_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Result> results_;
};

TEST(FetchUrl, ZeroAttemptsMakesNoRequest) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "x"); });
    UrlRequest request = QuickRequest(server.url("/"));
    request.attempts = 0;
    UrlResponse response;
    EXPECT_FALSE(FetchUrl(request, response, 0));

    AsyncResults async;
    ASSERT_TRUE(FetchUrlAsync(request, 0, async.callback()));
    ASSERT_TRUE(async.waitFor(1, 5s));
    EXPECT_FALSE(async.results()[0].ok);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST(FetchUrl, RetriesUntilTheAnswerIsValid) {
    const struct {
        const char* name;
        std::vector<QByteArray> bodies;
        uint32_t minValidLength;
        QByteArray retryMarker;
        uint8_t attempts;
        bool ok;
        int requests;
    } cases[] = {
        {"too short, then long", {"short", "long enough body"}, 10, {}, 3, true, 2},
        {"marker twice, then clean", {"busy", "busy", "content"}, 0, "busy", 3, true, 3},
        {"empty body with a marker set", {""}, 0, "busy", 2, false, 2},
        {"always short", {"x"}, 5, {}, 3, false, 3},
        {"first answer fine", {"fine"}, 0, {}, 3, true, 1},
    };
    for (const auto& c : cases) {
        HttpServer server(Sequence(c.bodies));
        UrlRequest request = QuickRequest(server.url("/page"));
        request.minValidLength = c.minValidLength;
        request.retryMarker = c.retryMarker;
        request.attempts = c.attempts;
        UrlResponse response;
        EXPECT_EQ(FetchUrl(request, response, 0), c.ok) << c.name;
        EXPECT_EQ(server.requestCount(), c.requests) << c.name;

        AsyncResults async;
        server.setHandler(Sequence(c.bodies));
        ASSERT_TRUE(FetchUrlAsync(request, 0, async.callback()));
        ASSERT_TRUE(async.waitFor(1, 5s)) << c.name;
        EXPECT_EQ(async.results()[0].ok, c.ok) << c.name << " (async)";
        EXPECT_EQ(server.requestCount(), 2 * c.requests) << c.name << " (async)";
    }
}

TEST(FetchUrl, CacheWriteFlagJudgesTheInflatedBody) {
    const QByteArray plain(200, 'p');
    HttpServer server(Sequence({GzipBytes(plain)}, {{"Content-Encoding", "gzip"}}));
    UrlRequest request = QuickRequest(server.url("/gz"));
    request.minValidLength = 100;  // the compressed body is shorter than that
    request.attempts = 1;
    UrlResponse response;
    EXPECT_TRUE(FetchUrl(request, response, FETCH_CACHE_WRITE));
    EXPECT_FALSE(FetchUrl(request, response, 0));
}

TEST(FetchUrl, DefaultsMakeOneAttemptAndPauseASecond) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.reset(); });
    UrlRequest request(server.url("/fail"), QString(), 2000);
    UrlResponse response;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FetchUrl(request, response, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_FALSE(response.error.isEmpty());
}

TEST(FetchUrlAsync, RunsManyTransfersAtOnceOnTheNetworkThread) {
    constexpr int kCount = 40;
    Rendezvous together(kCount);
    HttpServer server([&](const HttpRequest& request, HttpExchange& ex) {
        const bool all = together.arriveAndWait(10s);
        ex.respond(200, (all ? "together " : "alone ") + request.path);
    });
    AsyncResults async;
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(
            FetchUrlAsync(QuickRequest(server.url("/p%1").arg(i), 20000), 3, async.callback()));
    }
    ASSERT_TRUE(async.waitFor(kCount, 30s));
    EXPECT_EQ(together.peak(), kCount);
    for (const auto& result : async.results()) {
        EXPECT_TRUE(result.ok);
        EXPECT_TRUE(result.response.body.startsWith("together /p"));
        EXPECT_NE(result.thread, std::this_thread::get_id());
    }
    EXPECT_EQ(server.connectionCount(), kCount);

    // A second round reuses the open connections.
    AsyncResults again;
    server.setHandler([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "again"); });
    for (int i = 0; i < 15; ++i) {
        ASSERT_TRUE(FetchUrlAsync(QuickRequest(server.url("/q"), 20000), 3, again.callback()));
    }
    ASSERT_TRUE(again.waitFor(15, 30s));
    EXPECT_EQ(server.connectionCount(), kCount);
}

TEST(FetchUrlAsync, CancelEndsTransfersAndRetryPauses) {
    HttpServer server([](const HttpRequest& request, HttpExchange& ex) {
        if (request.path == "/stall") {
            ex.stall(10s);
        } else {
            ex.respond(200, "");
        }
    });
    auto cancel = std::make_shared<std::atomic_bool>(false);
    UrlRequest stalled = QuickRequest(server.url("/stall"), 20000);
    stalled.cancel = cancel;
    UrlRequest retrying = QuickRequest(server.url("/empty"), 20000);
    retrying.cancel = cancel;
    retrying.minValidLength = 1;
    retrying.attempts = 3;
    retrying.retryDelaySec = 30;
    AsyncResults async;
    ASSERT_TRUE(FetchUrlAsync(stalled, 0, async.callback()));
    ASSERT_TRUE(FetchUrlAsync(retrying, 0, async.callback()));
    ASSERT_TRUE(server.waitForRequests(2, 5s));
    cancel->store(true);
    ASSERT_TRUE(async.waitFor(2, 5s));
    for (const auto& result : async.results()) {
        EXPECT_FALSE(result.ok);
    }
}

// After the owner's shutdown a fetch fails cleanly, and an asynchronous one is refused without
// its callback ever running (a callback inside the submitting call would run under the
// submitter's lock).
TEST(NetworkThreadDeathTest, FetchesAfterTheShutdownFailCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "x"); });
            UrlResponse response;
            const bool before = FetchUrl(QuickRequest(server.url("/")), response, 0);
            const bool stopped = NetworkThread::ShutdownIfStarted(3s);
            const bool after = FetchUrl(QuickRequest(server.url("/")), response, 0);
            bool ran = false;
            const bool accepted = FetchUrlAsync(QuickRequest(server.url("/")), 0,
                                                [&](UrlResponse&&, bool) { ran = true; });
            std::_Exit(before && stopped && !after && response.errorKind == FetchError::Stopped &&
                               !accepted && !ran
                           ? 7
                           : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
