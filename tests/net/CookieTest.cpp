#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>

#include "NetTestSupport.h"
#include "net/CookieMerge.h"
#include "net/CookieShare.h"
#include "net/NetworkThread.h"
#include "net/URLSource2.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"

namespace {

StoredCookie Cookie(const QByteArray& domain, const QByteArray& name, const QByteArray& value) {
    StoredCookie cookie;
    cookie.domain = domain;
    cookie.name = name;
    cookie.value = value;
    return cookie;
}

const StoredCookie* Find(const QList<StoredCookie>& cookies, const QByteArray& name) {
    for (const StoredCookie& cookie : cookies) {
        if (cookie.name == name) {
            return &cookie;
        }
    }
    return nullptr;
}

HttpHandler CookieEcho() {
    return [](const HttpRequest& request, HttpExchange& ex) {
        if (request.path == "/login") {
            ex.respond(200, "welcome", {{"Set-Cookie", "sid=s3cr3t; Path=/"}});
        } else {
            ex.respond(200, request.header("Cookie"));
        }
    };
}

TEST(CookieShare, CookiesSetByOneResponseAreSentByTheNext) {
    CookieShare::ClearCookies();
    HttpServer server(CookieEcho());
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(QuickRequest(server.url("/login")), response, 0));
    ASSERT_TRUE(FetchUrl(QuickRequest(server.url("/check")), response, 0));
    EXPECT_EQ(response.body, "sid=s3cr3t");
    const QList<StoredCookie> cookies = CookieShare::AllCookies();
    ASSERT_NE(Find(cookies, "sid"), nullptr);
    EXPECT_EQ(Find(cookies, "sid")->domain, "127.0.0.1");

    // A cookie handed over (as the login window does) goes out as well.
    CookieShare::SetCookie(Cookie("127.0.0.1", "BDUSS", "from-browser"));
    ASSERT_TRUE(FetchUrl(QuickRequest(server.url("/check")), response, 0));
    EXPECT_TRUE(response.body.contains("BDUSS=from-browser")) << response.body.toStdString();
    EXPECT_TRUE(response.body.contains("sid=s3cr3t"));
}

TEST(CookieShare, DeletedCookieIsGoneFromStoreAndRequests) {
    CookieShare::ClearCookies();
    HttpServer server(CookieEcho());
    CookieShare::SetCookie(Cookie("127.0.0.1", "keep", "1"));
    CookieShare::SetCookie(Cookie("127.0.0.1", "drop", "2"));
    CookieShare::DeleteCookie(Cookie(".127.0.0.1", "drop", ""));  // value and dot do not matter
    const QList<StoredCookie> cookies = CookieShare::AllCookies();
    EXPECT_EQ(cookies.size(), 1);
    EXPECT_NE(Find(cookies, "keep"), nullptr);
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(QuickRequest(server.url("/check")), response, 0));
    EXPECT_EQ(response.body, "keep=1");
}

TEST(CookieShare, CookieFileRoundTrip) {
    CookieShare::ClearCookies();
    TempDir dir;
    const QString path = dir.file("cookies.txt");
    CookieShare::SetCookieFile(path);  // missing file: nothing loaded
    EXPECT_TRUE(CookieShare::AllCookies().isEmpty());

    StoredCookie session = Cookie(".baidu.com", "BAIDUID", "ABC:FG=1");
    session.includeSubdomains = true;
    StoredCookie lasting = Cookie("tieba.baidu.com", "TIEBAUID", "");
    lasting.path = "/f";
    lasting.secure = true;
    lasting.httpOnly = true;
    lasting.expires = 4102444800;  // 2100-01-01
    CookieShare::SetCookie(session);
    CookieShare::SetCookie(lasting);
    ASSERT_TRUE(CookieShare::SaveCookies());
    const QByteArray file = dir.read("cookies.txt");
    EXPECT_TRUE(file.startsWith("# Netscape HTTP Cookie File\n"));
    EXPECT_TRUE(file.contains("#HttpOnly_tieba.baidu.com\tFALSE\t/f\tTRUE\t4102444800\tTIEBAUID\t"))
        << file.toStdString();
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".tmp")));

    CookieShare::ClearCookies();
    EXPECT_TRUE(CookieShare::AllCookies().isEmpty());
    CookieShare::SetCookieFile(path);
    const QList<StoredCookie> loaded = CookieShare::AllCookies();
    ASSERT_EQ(loaded.size(), 2);
    const StoredCookie* a = Find(loaded, "BAIDUID");
    const StoredCookie* b = Find(loaded, "TIEBAUID");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->domain, ".baidu.com");
    EXPECT_TRUE(a->includeSubdomains);
    EXPECT_EQ(a->value, "ABC:FG=1");
    EXPECT_EQ(a->expires, 0);
    EXPECT_FALSE(a->httpOnly);
    EXPECT_EQ(b->domain, "tieba.baidu.com");
    EXPECT_FALSE(b->includeSubdomains);
    EXPECT_EQ(b->path, "/f");
    EXPECT_TRUE(b->secure);
    EXPECT_TRUE(b->httpOnly);
    EXPECT_EQ(b->expires, 4102444800);
    EXPECT_EQ(b->value, "");

    CookieShare::DeleteCookie(*a);
    ASSERT_TRUE(CookieShare::SaveCookies());
    EXPECT_FALSE(dir.read("cookies.txt").contains("BAIDUID"));
}

// Another process (the window, say) logs out while this one runs: the next save keeps the
// other process's removal and adds its new login, and the store follows the file.
TEST(CookieShare, ChangesOfAnotherProcessSurviveTheNextSave) {
    CookieShare::ClearCookies();
    TempDir dir;
    const QString path = dir.file("cookies.txt");
    CookieShare::SetCookieFile(path);
    CookieShare::SetCookie(Cookie("tieba.baidu.com", "BDUSS", "old"));
    CookieShare::SetCookie(Cookie("tieba.baidu.com", "mine", "1"));
    ASSERT_TRUE(CookieShare::SaveCookies());

    QByteArray file = dir.read("cookies.txt");
    const qsizetype start = file.indexOf("tieba.baidu.com\tFALSE\t/\tFALSE\t0\tBDUSS");
    ASSERT_GE(start, 0) << file.toStdString();
    file.remove(start, file.indexOf('\n', start) + 1 - start);
    file += "xiangce.baidu.com\tFALSE\t/\tFALSE\t0\tother\t2\n";
    dir.write("cookies.txt", file);

    ASSERT_TRUE(CookieShare::SaveCookies());
    ASSERT_TRUE(CookieShare::SaveCookies());  // a second save must not bring the removed one back
    const QByteArray saved = dir.read("cookies.txt");
    EXPECT_FALSE(saved.contains("BDUSS")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\tmine\t1")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\tother\t2")) << saved.toStdString();
    const QList<StoredCookie> store = CookieShare::AllCookies();
    EXPECT_EQ(Find(store, "BDUSS"), nullptr);
    EXPECT_NE(Find(store, "other"), nullptr);
    CookieShare::ClearCookies();
}

// The child process runs the test again from a fresh start (with its own temporary folder), so
// the parent's path reaches it through the environment, which the child does not overwrite.
TEST(CookieShareDeathTest, StoreIsSavedWhenTheNetworkStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    setenv("QUORVIX_TEST_COOKIE_FILE", dir.file("exit.txt").toUtf8().constData(), 0);
    EXPECT_EXIT(
        {
            {
                NetworkScope network;  // as a program's main holds it
                CookieShare::SetCookieFile(QString::fromUtf8(qgetenv("QUORVIX_TEST_COOKIE_FILE")));
                CookieShare::SetCookie(Cookie("example.com", "atexit", "saved"));
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(dir.read("exit.txt").contains("example.com\tFALSE\t/\tFALSE\t0\tatexit\tsaved"))
        << dir.read("exit.txt").toStdString();
    unsetenv("QUORVIX_TEST_COOKIE_FILE");
}

TEST(CookieMerge, OnlyThisProcessesChangesReachTheFile) {
    const QByteArray a1 = "example.com\tFALSE\t/\tFALSE\t0\ta\t1";
    const QByteArray a2 = "example.com\tFALSE\t/\tFALSE\t0\ta\t2";
    const QByteArray b = ".Example.COM\tTRUE\t/\tFALSE\t0\tb\tx";
    const QByteArray login = "tieba.baidu.com\tFALSE\t/\tFALSE\t0\tBDUSS\tother";
    struct Case {
        const char* what;
        QList<QByteArray> disk, baseline, current, merged;
    };
    const Case cases[] = {
        {"another process's login stays", {a1, login}, {a1}, {a1}, {a1, login}},
        {"a change of ours wins", {a1, login}, {a1}, {a2}, {a2, login}},
        {"a cookie of ours is added", {login}, {}, {b}, {login, b}},
        {"a cookie we removed goes", {a1, login}, {a1}, {}, {login}},
        {"unchanged by us: theirs stays", {a2}, {a1}, {a1}, {a2}},
        {"a domain's dot and letter case do not make another cookie",
         {"example.com\tTRUE\t/\tFALSE\t0\tb\told"},
         {},
         {b},
         {b}},
        {"lines without a cookie are dropped",
         {"# comment", "", "broken line", login},
         {},
         {},
         {login}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MergeCookieLines(c.disk, c.baseline, c.current), c.merged) << c.what;
    }
}

}  // namespace
