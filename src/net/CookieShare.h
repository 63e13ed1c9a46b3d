#pragma once
// The process-wide cookie store that every fetch uses. It lives on the network thread; these
// functions hand their work to that thread and wait for it.

#include <QByteArray>
#include <QList>
#include <QString>

struct StoredCookie {
    QByteArray domain;  // host, or ".example.com" style when subdomains match
    bool includeSubdomains = false;
    QByteArray path = "/";
    bool secure = false;
    bool httpOnly = false;
    qint64 expires = 0;  // seconds since the epoch; 0 for a session cookie
    QByteArray name;
    QByteArray value;
};

namespace CookieShare {

// Loads the cookie file (Netscape format) into the store and remembers it for SaveCookies.
// A missing file is an empty store.
void SetCookieFile(const QString& path);
// Writes the store to the cookie file (atomically). False when it cannot be written.
bool SaveCookies();
// Adds or replaces one cookie.
void SetCookie(const StoredCookie& cookie);
// Removes a cookie with this domain, path and name.
void DeleteCookie(const StoredCookie& cookie);
// Every cookie of the store.
QList<StoredCookie> AllCookies();
// Empties the store (tests; a fresh start).
void ClearCookies();

}  // namespace CookieShare
