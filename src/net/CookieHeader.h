#pragma once
// The Cookie header a request to an address would carry from a list of cookies, for handing a
// picture to another download program with the logins this one holds.

#include "net/CookieShare.h"

#include <QByteArray>
#include <QList>
#include <QString>

// "name=value; name=value" of the cookies that apply to the address at the time (seconds since
// the epoch): the host matches the domain (its subdomains too when the cookie allows them),
// the path starts with the cookie's path, a secure cookie only for https, none expired. Longer
// paths first, as browsers send them. Empty when none applies.
QByteArray CookieHeaderFor(const QList<StoredCookie>& cookies, const QString& url, qint64 now);
