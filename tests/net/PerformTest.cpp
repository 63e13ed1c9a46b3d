#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "NetTestSupport.h"
#include "net/URLSource2.h"
#include "support/Compress.h"
#include "support/HttpServer.h"
#include "text/StringCtrl.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kLongStall = 10s;  // far beyond every time-out used here

QByteArray Pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    return bytes;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Perform, SendsAgentReloadAndExtraHeaders) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "ok"); });
    UrlRequest request = QuickRequest(server.url("/page"));
    request.extraHeaders = QStringLiteral("Accept-Encoding: gzip, deflate\r\nReferer: http://r/");
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0));
    HttpRequest seen = server.lastRequest();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.path, "/page");
    EXPECT_EQ(seen.header("User-Agent"),
              "Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, like Gecko) "
              "Chrome/44.0.12.87 Safari/537.36");
    EXPECT_EQ(seen.header("Cache-Control"), "no-cache");
    EXPECT_EQ(seen.header("Accept-Encoding"), "gzip, deflate");
    EXPECT_EQ(seen.header("Referer"), "http://r/");

    ASSERT_TRUE(response.Perform(request, FETCH_NO_RELOAD | FETCH_CACHE_WRITE));
    EXPECT_FALSE(server.lastRequest().hasHeader("Cache-Control"));
}

TEST(Perform, KeepsTheBodyAsReceivedAndReportsTheHeaderBlock) {
    const QByteArray packed = GzipBytes("<html>中文</html>");
    HttpServer server([&](const HttpRequest&, HttpExchange& ex) {
        ex.respond(200, packed, {{"Content-Encoding", "gzip"}, {"X-Page", "1"}});
    });
    UrlRequest request = QuickRequest(server.url("/gz"));
    request.extraHeaders = QStringLiteral("Accept-Encoding: gzip, deflate");
    request.endMarker = "</html>";  // not applied to a compressed body while reading
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0));
    EXPECT_EQ(response.body, packed);
    EXPECT_TRUE(response.isGzip);
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_TRUE(response.headers.startsWith(QStringLiteral("HTTP/1.1 200 OK\r\n")));
    EXPECT_TRUE(response.headers.contains(QStringLiteral("X-Page: 1\r\n")));
    EXPECT_TRUE(response.headers.endsWith(QStringLiteral("\r\n\r\n")));
    QString text;
    response.GetText(text, TEXT_INFLATE | TEXT_UTF8);
    EXPECT_EQ(text, QStringLiteral("<html>中文"));
}

TEST(Perform, StallBeforeHeadersFailsAfterTheConnectTimeout) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.stall(kLongStall); });
    UrlRequest request = QuickRequest(server.url("/slow"));
    request.connectTimeoutMs = 300;
    request.readTimeoutMs = 20000;
    UrlResponse response;
    response.headers = QStringLiteral("previous");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_EQ(response.error, QStringLiteral("timed out"));
    EXPECT_EQ(response.statusCode, 0);
    EXPECT_EQ(response.headers, QStringLiteral("previous"));  // no header block arrived
}

TEST(Perform, StallMidBodyFailsAfterTheReadTimeoutKeepingWhatArrived) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nfirst part");
        ex.stall(kLongStall);
    });
    UrlRequest request = QuickRequest(server.url("/body"));
    request.connectTimeoutMs = 20000;
    request.readTimeoutMs = 300;
    UrlResponse response;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_EQ(response.error, QStringLiteral("timed out"));
    EXPECT_EQ(response.body, "first part");
    EXPECT_EQ(response.statusCode, 200);
}

// The limits bound each step without progress, never the whole exchange.
TEST(Perform, SlowButSteadyExchangesSucceed) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.stall(150ms);  // waiting for the response, within the connect limit
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
        ex.stall(150ms);  // after the headers, the read limit applies
        for (char c : QByteArray("0123456789")) {
            ex.sendRaw(QByteArray(1, c));
            ex.stall(60ms);
        }
    });
    UrlRequest request = QuickRequest(server.url("/steady"));
    request.connectTimeoutMs = 400;
    request.readTimeoutMs = 400;
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0)) << response.error.toStdString();
    EXPECT_EQ(response.body, "0123456789");
}

TEST(Perform, ConnectionResetFails) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nsome");
        ex.reset();
    });
    UrlResponse response;
    EXPECT_FALSE(response.Perform(QuickRequest(server.url("/reset")), 0));
    EXPECT_EQ(response.error, QStringLiteral("connection reset"));
}

TEST(Perform, RefusedConnectionFails) {
    QString url;
    {
        HttpServer server;
        url = server.url("/gone");
    }
    UrlResponse response;
    EXPECT_FALSE(response.Perform(QuickRequest(url), 0));
    EXPECT_EQ(response.error, QStringLiteral("connection refused"));
}

TEST(Perform, ContentLengthBelowMinimumFailsBeforeAnyBody) {
    HttpServer server([](const HttpRequest& request, HttpExchange& ex) {
        const QByteArray name = request.path == "/exact" ? "Content-Length" : "content-length";
        ex.sendRaw("HTTP/1.1 200 OK\r\n" + name + ": 100\r\n\r\n" + QByteArray(100, 'x'));
    });
    UrlRequest request = QuickRequest(server.url("/exact"));
    request.minSizeKb = 1;
    UrlResponse response;
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_EQ(response.error, QStringLiteral("body under size limit"));
    EXPECT_TRUE(response.body.isEmpty());

    // Another letter case is not recognised: the body is read, then the final check fails.
    request.url = server.url("/lower");
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_EQ(response.body.size(), 100);
}

TEST(Perform, ContentLengthAboveMaximumFailsAtTheHeaders) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 2049\r\n\r\n");
        ex.stall(kLongStall);  // the body would never come; it is not waited for
    });
    UrlRequest request = QuickRequest(server.url("/big"), 20000);
    request.maxSizeKb = 2;
    UrlResponse response;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_EQ(response.error, QStringLiteral("body over size limit"));
}

TEST(Perform, BodyOfExactlyTheMaximumIsAcceptedOneByteMoreIsNot) {
    // No Content-Length: the limit is enforced while reading.
    HttpServer server([](const HttpRequest& request, HttpExchange& ex) {
        const qsizetype size = request.path == "/exact" ? 2048 : 2049;
        ex.sendRaw("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + Pattern(size));
        if (size == 2048) {
            ex.close();
        } else {
            ex.stall(kLongStall);  // the extra byte alone must end the exchange
        }
    });
    UrlRequest request = QuickRequest(server.url("/exact"), 20000);
    request.maxSizeKb = 2;
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0)) << response.error.toStdString();
    EXPECT_EQ(response.body, Pattern(2048));
    EXPECT_EQ(response.bodyLength, 2048);

    request.url = server.url("/over");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_EQ(response.error, QStringLiteral("body over size limit"));
}

TEST(Perform, EndMarkerStopsReadingAtOnce) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nabc<!--footer-->def");
        ex.stall(kLongStall);
    });
    UrlRequest request = QuickRequest(server.url("/page"), 20000);
    request.endMarker = "<!--footer-->";
    UrlResponse response;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(response.Perform(request, 0)) << response.error.toStdString();
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_EQ(response.body, "abc");
}

TEST(Perform, BeginMarkerLeavesWhatFollowsItsLastOccurrence) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 22\r\n\r\n");
        ex.sendRaw("one[[two[");  // the second marker arrives split over two writes
        ex.sendRaw("[three]]four");
    });
    UrlRequest request = QuickRequest(server.url("/page"));
    request.beginMarker = "[[";
    request.endMarker = "]]";
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0)) << response.error.toStdString();
    EXPECT_EQ(response.body, "three");
    EXPECT_EQ(response.beginMarker, "[[");
}

TEST(Perform, RedirectsAreFollowedAndTheFinalHeadersKept) {
    HttpServer server([](const HttpRequest& request, HttpExchange& ex) {
        if (request.path == "/old") {
            ex.respond(302, "moved", {{"Location", "/new?x=1"}, {"X-Hop", "first"}});
        } else if (request.path == "/loop") {
            ex.respond(301, {}, {{"Location", "/loop"}});
        } else {
            ex.respond(200, "final body", {{"X-Hop", "last"}});
        }
    });
    UrlResponse response;
    ASSERT_TRUE(response.Perform(QuickRequest(server.url("/old")), 0));
    EXPECT_EQ(response.body, "final body");
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_TRUE(response.headers.startsWith(QStringLiteral("HTTP/1.1 200 OK\r\n")));
    EXPECT_TRUE(response.headers.contains(QStringLiteral("X-Hop: last")));
    EXPECT_FALSE(response.headers.contains(QStringLiteral("302")));
    EXPECT_EQ(server.lastRequest().path, "/new?x=1");

    EXPECT_FALSE(response.Perform(QuickRequest(server.url("/loop")), 0));
    EXPECT_EQ(response.error, QStringLiteral("too many redirects"));
    EXPECT_LE(server.requestCount(), 2 + 11);
}

TEST(Perform, ErrorStatusWithBodyIsAFetchUnlessTheRequestRefusesIt) {
    HttpServer server(
        [](const HttpRequest&, HttpExchange& ex) { ex.respond(404, "<html>not here</html>"); });
    UrlRequest request = QuickRequest(server.url("/missing"));
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0));
    EXPECT_EQ(response.statusCode, 404);
    EXPECT_EQ(response.body, "<html>not here</html>");

    request.failOnHttpError = true;
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_EQ(response.error, QStringLiteral("HTTP 404"));
    EXPECT_TRUE(response.body.isEmpty());
}

TEST(Perform, InterimResponsesAreNotPartOfTheHeaderBlock) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 100 Continue\r\n\r\n");
        ex.respond(200, "after interim");
    });
    UrlResponse response;
    ASSERT_TRUE(response.Perform(QuickRequest(server.url("/")), 0));
    EXPECT_TRUE(response.headers.startsWith(QStringLiteral("HTTP/1.1 200 OK\r\n")));
    EXPECT_EQ(response.body, "after interim");
}

TEST(Perform, GetTextOfAFetchedPage) {
    const QByteArray gbk = WideToGbk(QStringLiteral("贴吧相册"));
    HttpServer server([&](const HttpRequest& request, HttpExchange& ex) {
        if (request.path == "/gbk") {
            ex.respond(200, gbk, {{"Content-Type", "text/html; charset=GBK"}});
        } else {
            ex.respond(200, QByteArray("before\0after", 12));
        }
    });
    UrlResponse response;
    QString text;
    ASSERT_TRUE(response.Perform(QuickRequest(server.url("/gbk")), 0));
    response.GetText(text, TEXT_INFLATE | TEXT_UTF8);
    EXPECT_EQ(text, QStringLiteral("贴吧相册"));

    ASSERT_TRUE(response.Perform(QuickRequest(server.url("/zero")), 0));
    EXPECT_EQ(response.body.size(), 12);
    response.GetText(text, TEXT_INFLATE | TEXT_UTF8);
    EXPECT_EQ(text, QStringLiteral("before"));
}

TEST(Perform, RequestBodyOverOnePieceArrivesWhole) {
    HttpServer server([](const HttpRequest& request, HttpExchange& ex) {
        ex.respond(200, QByteArray::number(request.body.size()));
    });
    UrlRequest request = QuickRequest(server.url("/post"));
    request.verb = QStringLiteral("POST");
    request.postBody = Pattern(5000);
    request.extraHeaders = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
    UrlResponse response;
    ASSERT_TRUE(response.Perform(request, 0));
    const HttpRequest seen = server.lastRequest();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, Pattern(5000));
    EXPECT_EQ(seen.header("Content-Length"), "5000");
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(Perform, ControlCharactersOfTheAddressArePercentEncoded) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "ok"); });
    const QString token = MakeRandomToken();
    ASSERT_TRUE(token.endsWith(QLatin1Char('\n')));
    UrlResponse response;
    ASSERT_TRUE(response.Perform(QuickRequest(server.url("/list?kw=%E8%B4%B4 吧&_=") + token), 0));
    const QByteArray expected =
        "/list?kw=%E8%B4%B4%20%E5%90%A7&_=" + token.chopped(1).toLatin1() + "%0A";
    EXPECT_EQ(server.lastRequest().target, expected);
}

TEST(Perform, ProxyFromTheEnvironment) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "proxied"); });
    ScopedEnv proxy("http_proxy", server.proxyUrl().toLatin1());
    UrlResponse response;
    ASSERT_TRUE(response.Perform(QuickRequest("http://some.example.invalid/path?q=1"), 0))
        << response.error.toStdString();
    EXPECT_EQ(response.body, "proxied");
    const HttpRequest seen = server.lastRequest();
    EXPECT_TRUE(seen.proxyForm);
    EXPECT_EQ(seen.target, "http://some.example.invalid/path?q=1");
    EXPECT_EQ(seen.host, "some.example.invalid");
    EXPECT_EQ(seen.path, "/path?q=1");
}

TEST(Perform, HttpsSpeaksTls) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "plain"); });
    UrlRequest request =
        QuickRequest(QStringLiteral("https://127.0.0.1:%1/secure").arg(server.port()), 500);
    UrlResponse response;
    EXPECT_FALSE(response.Perform(request, 0));
    EXPECT_NE(response.error, QStringLiteral("unsupported scheme"));
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(server.requestCount(), 0);  // a TLS handshake is no plain request
}

TEST(Perform, ConnectionsAreReused) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) { ex.respond(200, "again"); });
    UrlResponse response;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(response.Perform(QuickRequest(server.url("/r")), 0));
    }
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(Perform, CancelAbortsTheExchangeInFlight) {
    HttpServer server([](const HttpRequest&, HttpExchange& ex) {
        ex.sendRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\npartial");
        ex.stall(kLongStall);
    });
    UrlRequest request = QuickRequest(server.url("/cancel"), 20000);
    request.cancel = std::make_shared<std::atomic_bool>(false);
    UrlResponse response;
    bool ok = true;
    std::thread fetcher([&] { ok = response.Perform(request, 0); });
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    const auto start = std::chrono::steady_clock::now();
    request.cancel->store(true);
    fetcher.join();
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(response.error, QStringLiteral("cancelled"));
}

}  // namespace
