#include "gui/webengine/BrowserProfile.h"

#include "net/CookieShare.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkCookie>
#include <QStandardPaths>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <unistd.h>

namespace {

StoredCookie ToStored(const QNetworkCookie& cookie) {
    StoredCookie stored;
    QString domain = cookie.domain();
    stored.includeSubdomains = domain.startsWith(QLatin1Char('.'));
    stored.domain = domain.toUtf8();
    stored.path = cookie.path().isEmpty() ? QByteArray("/") : cookie.path().toUtf8();
    stored.secure = cookie.isSecure();
    stored.httpOnly = cookie.isHttpOnly();
    stored.expires = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
    stored.name = cookie.name();
    stored.value = cookie.value();
    return stored;
}

QNetworkCookie ToNetwork(const StoredCookie& stored) {
    QNetworkCookie cookie(stored.name, stored.value);
    QByteArray domain = stored.domain;
    if (stored.includeSubdomains && !domain.startsWith('.')) {
        domain.prepend('.');
    }
    cookie.setDomain(QString::fromUtf8(domain));
    cookie.setPath(QString::fromUtf8(stored.path));
    cookie.setSecure(stored.secure);
    cookie.setHttpOnly(stored.httpOnly);
    if (stored.expires > 0) {
        cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(stored.expires));
    }
    return cookie;
}

// The address a cookie belongs to, which the browser's store wants with it.
QUrl OriginOf(const StoredCookie& stored) {
    QByteArray host = stored.domain;
    while (host.startsWith('.')) {
        host.remove(0, 1);
    }
    QUrl origin;
    origin.setScheme(stored.secure ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(QString::fromUtf8(host));
    origin.setPath(QStringLiteral("/"));
    return origin;
}

QWebEngineProfile* MakeProfile() {
    auto* profile = new QWebEngineProfile(QStringLiteral("quorvix"), qApp);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    profile->setPersistentStoragePath(data + QStringLiteral("/browser"));
    profile->setCachePath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                          QStringLiteral("/browser"));
    QWebEngineCookieStore* store = profile->cookieStore();
    QObject::connect(
        store, &QWebEngineCookieStore::cookieAdded, qApp,
        [](const QNetworkCookie& cookie) { CookieShare::SetCookie(ToStored(cookie)); });
    QObject::connect(
        store, &QWebEngineCookieStore::cookieRemoved, qApp,
        [](const QNetworkCookie& cookie) { CookieShare::DeleteCookie(ToStored(cookie)); });
    return profile;
}

}  // namespace

QWebEngineProfile& SharedBrowserProfile() {
    static QWebEngineProfile* profile = MakeProfile();
    return *profile;
}

void GiveStoreCookiesToBrowser() {
    QWebEngineCookieStore* store = SharedBrowserProfile().cookieStore();
    for (const StoredCookie& stored : CookieShare::AllCookies()) {
        store->setCookie(ToNetwork(stored), OriginOf(stored));
    }
}

void PrepareBrowserEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's sandbox cannot run as root; a root session (containers, CI) runs without it.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
}
