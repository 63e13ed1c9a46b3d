// The login browser window: its layout, and the cookies its pages set reaching the fetcher.

#ifdef QUORVIX_HAS_WEBENGINE

#include "fakeservice/FakeService.h"
#include "gui/MessageBox.h"
#include "gui/MyGridCtrl.h"
#include "gui/QuorvixDlg.h"
#include "gui/webengine/DlgWebOpen.h"
#include "net/CookieShare.h"
#include "net/URLSource2.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

bool StoreHas(const QByteArray& name) {
    for (const StoredCookie& cookie : CookieShare::AllCookies()) {
        if (cookie.name == name) {
            return true;
        }
    }
    return false;
}

// A site whose login page sets one cookie by header and one by script.
HttpHandler LoginSite() {
    return [](const HttpRequest& request, HttpExchange& exchange) {
        if (request.path == "/login") {
            exchange.respond(
                200,
                "<html><body><script>document.cookie = 'js=2; path=/; "
                "max-age=3600';</script>logged in</body></html>",
                {{"Content-Type", "text/html"}, {"Set-Cookie", "hdr=1; Path=/; Max-Age=3600"}});
        } else {
            exchange.respond(200, "<html><body>page</body></html>",
                             {{"Content-Type", "text/html"}});
        }
    };
}

class LoginWindow : public ::testing::Test {
protected:
    LoginWindow() { CookieShare::ClearCookies(); }
    ~LoginWindow() override { CookieShare::ClearCookies(); }
};

TEST_F(LoginWindow, PageCookiesReachTheFetcherAndSurviveARestart) {
    HttpServer site(LoginSite());
    {
        CDlgWebOpen window;
        window.SetStartAddress(site.url(QStringLiteral("/login")));
        window.Prepare();
        window.show();
        ASSERT_TRUE(WaitUntil([] { return StoreHas("hdr") && StoreHas("js"); }));
        window.reject();
    }
    UrlRequest request(site.url(QStringLiteral("/check")), QString(), 5000);
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(request, response, 0));
    QByteArray sent = site.lastRequest().header("Cookie");
    EXPECT_TRUE(sent.contains("hdr=1")) << sent.constData();
    EXPECT_TRUE(sent.contains("js=2")) << sent.constData();

    // Saved, emptied and loaded again, as a restart does.
    TempDir folder;
    CookieShare::SetCookieFile(folder.file(QStringLiteral("cookies.txt")));
    ASSERT_TRUE(CookieShare::SaveCookies());
    CookieShare::ClearCookies();
    CookieShare::SetCookieFile(folder.file(QStringLiteral("cookies.txt")));
    ASSERT_TRUE(FetchUrl(request, response, 0));
    sent = site.lastRequest().header("Cookie");
    EXPECT_TRUE(sent.contains("hdr=1") && sent.contains("js=2")) << sent.constData();
}

TEST_F(LoginWindow, StoreCookiesAreGivenToTheBrowser) {
    HttpServer site(LoginSite());
    StoredCookie cookie;
    cookie.domain = "127.0.0.1";
    cookie.name = "earlier";
    cookie.value = "7";
    cookie.expires = QDateTime::currentSecsSinceEpoch() + 3600;
    CookieShare::SetCookie(cookie);

    CDlgWebOpen window;
    window.SetStartAddress(site.url(QStringLiteral("/page")));
    window.Prepare();
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return site.requestCount() > 0; }));
    EXPECT_TRUE(site.lastRequest().header("Cookie").contains("earlier=7"));
}

TEST_F(LoginWindow, LayoutFollowsTheWindowSize) {
    CDlgWebOpen window;
    window.show();
    window.resize(900, 600);
    QCoreApplication::processEvents();
    auto* open = window.findChild<QPushButton*>(QStringLiteral("button1026"));
    auto* edit = window.findChild<QLineEdit*>(QStringLiteral("edit1001"));
    EXPECT_EQ(open->text(), QStringLiteral("打开"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("登录成功后手动关闭对话框"));
    const QSize buttonSize = open->size();
    window.resize(1200, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(open->geometry().right() + 1, window.width());
    EXPECT_EQ(open->size(), buttonSize);
    EXPECT_EQ(edit->geometry().right() + 1 + 5, open->x());
    EXPECT_EQ(window.browser()->geometry().bottom() + 1, window.height());
    EXPECT_EQ(window.browser()->width(), window.width());
}

TEST_F(LoginWindow, WithoutStartAddressTheClipboardIsOfferedOnly) {
    QGuiApplication::clipboard()->setText(QStringLiteral("http://example.invalid/login"));
    CDlgWebOpen window;
    window.Prepare();
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("edit1001"))->text(),
              QStringLiteral("http://example.invalid/login"));
    EXPECT_TRUE(window.browser()->url().isEmpty());
}

// A private album: the lister asks, the user logs in in the modal window and closes it, and the
// album is listed on the second try.
TEST_F(LoginWindow, VerificationOfAPrivateAlbum) {
    FakeService service;
    HttpProxyGuard proxy(service);
    TempDir settings;
    TempDir save;
    QStringList questions;
    const MessageBoxHook previous =
        SetMessageBoxHook({[](QWidget*, const QString&, const QString&) {},
                           [&](QWidget*, const QString& text, const QString&) {
                               questions << text;
                               return true;
                           }});
    StartOptions options;
    options.settingsDir = settings.path();
    options.readClipboard = false;
    CQuorvixDlg window(options);
    ASSERT_TRUE(WaitUntil([&] { return window.harvest().bReady.load() == 1; }));
    window.SetAddressText(QStringLiteral("http://xiangce.baidu.com/u/private"));
    window.OnGetAlbums();
    ASSERT_TRUE(WaitUntil([&] {
        return window.harvest().nListState.load() == LIST_IDLE &&
               window.harvest().albums.size() == 2;
    }));
    window.findChild<QComboBox*>(QStringLiteral("combo1000"))->setEditText(save.path());

    // The user logs in while the login window is open (the service's login page sets the
    // cookie; a fetch stands in for the browser here, whose own cookies the first test covers),
    // then closes the window.
    QTimer user;
    bool loggedIn = false;
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* login = qobject_cast<CDlgWebOpen*>(widget);
            if (login && login->isVisible() && login->isModal()) {
                UrlResponse response;
                loggedIn = FetchUrl(UrlRequest(QStringLiteral("http://xiangce.baidu.com/login")),
                                    response, 0);
                login->reject();
            }
        }
    });
    user.start(50);
    ASSERT_TRUE(WaitUntil([&] { return window.grid()->RowCount() == 3; }));
    window.grid()->SelectRowAndScroll(2);  // 私密相册
    window.OnDownload();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return window.harvest().jobState.load() == JOB_IDLE &&
                   window.findChild<QLabel*>(QStringLiteral("label1009"))->text() ==
                       QStringLiteral("下载完毕");
        },
        60000));
    user.stop();
    SetMessageBoxHook(previous);
    EXPECT_EQ(
        questions,
        QStringList{QStringLiteral("为非公开相册,是否进行验证？\n\n验证成功后请手动关闭验证框")});
    EXPECT_TRUE(loggedIn);
    QStringList files = QDir(save.file(QStringLiteral("private/私密相册"))).entryList(QDir::Files);
    files.removeOne(QStringLiteral("pic.kzt"));
    EXPECT_EQ(files.size(), 5);
    window.close();
}

}  // namespace

#endif
