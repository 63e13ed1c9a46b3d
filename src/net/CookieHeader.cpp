#include "net/CookieHeader.h"

#include <QUrl>

#include <algorithm>

namespace {

bool DomainMatches(const StoredCookie& cookie, const QString& host) {
    const bool dotted = cookie.domain.startsWith('.');
    const QString domain =
        QString::fromUtf8(dotted ? cookie.domain.mid(1) : cookie.domain).toLower();
    if (domain.isEmpty()) {
        return false;
    }
    if (host == domain) {
        return true;
    }
    return (cookie.includeSubdomains || dotted) && host.endsWith(QLatin1Char('.') + domain);
}

bool PathMatches(const StoredCookie& cookie, const QString& path) {
    const QString cookiePath = QString::fromUtf8(cookie.path.isEmpty() ? "/" : cookie.path);
    if (!path.startsWith(cookiePath)) {
        return false;
    }
    return path.size() == cookiePath.size() || cookiePath.endsWith(QLatin1Char('/')) ||
           path.at(cookiePath.size()) == QLatin1Char('/');
}

}  // namespace

QByteArray CookieHeaderFor(const QList<StoredCookie>& cookies, const QString& url, qint64 now) {
    const QUrl address(url);
    const QString host = address.host().toLower();
    const QString path = address.path().isEmpty() ? QStringLiteral("/") : address.path();
    const bool https = address.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QList<StoredCookie> applying;
    for (const StoredCookie& cookie : cookies) {
        if (DomainMatches(cookie, host) && PathMatches(cookie, path) && (https || !cookie.secure) &&
            (cookie.expires == 0 || cookie.expires > now)) {
            applying.append(cookie);
        }
    }
    std::stable_sort(
        applying.begin(), applying.end(),
        [](const StoredCookie& a, const StoredCookie& b) { return a.path.size() > b.path.size(); });
    QByteArray header;
    for (const StoredCookie& cookie : applying) {
        if (!header.isEmpty()) {
            header += "; ";
        }
        header += cookie.name + '=' + cookie.value;
    }
    return header;
}
