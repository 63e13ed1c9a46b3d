#pragma once
// One cookie as a line of the Netscape cookie-file format, the form libcurl lists and accepts:
// domain, include-subdomains flag, path, secure flag, expiry, name and value separated by tabs;
// an HttpOnly cookie's line starts with "#HttpOnly_".

#include <QByteArray>

#include <optional>

#include "net/CookieShare.h"

QByteArray ToNetscapeLine(const StoredCookie& cookie);
// nullopt for comments, blank lines and lines with too few fields.
std::optional<StoredCookie> FromNetscapeLine(QByteArray line);
// Same domain (a leading dot and letter case ignored), path and name.
bool SameCookie(const StoredCookie& a, const StoredCookie& b);
