#pragma once
// The address as it goes out in the request line.

#include <QByteArray>
#include <QString>

// Percent-encodes what may not stand in a request line: control characters (the line feed that a
// cache-busting token ends with among them), spaces and non-ASCII characters (as their UTF-8
// bytes). Everything else goes out exactly as given: no "%" is re-encoded and nothing is
// normalised. The host part is left to the HTTP client.
QByteArray EncodeRequestUrl(const QString& url);
