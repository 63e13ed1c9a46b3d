#pragma once
// Small text tools of the fake service: reading request addresses, writing JSON values.

#include <QByteArray>
#include <QString>

namespace fake {

// The path of a request target (before "?"), still percent-encoded.
QByteArray TargetPath(const QByteArray& target);
// The raw value of the first "key=" of the target's query; empty when missing.
QByteArray QueryValue(const QByteArray& target, const QByteArray& key);
// The same value percent-decoded and read as UTF-8 ("+" stays as it is).
QString QueryText(const QByteArray& target, const QByteArray& key);
// The value as a decimal number, or fallback when it is not one.
qint64 QueryNumber(const QByteArray& target, const QByteArray& key, qint64 fallback);
// Percent-decodes and reads as UTF-8.
QString DecodedText(const QByteArray& encoded);

// A JSON string body (without the quotes): quote, backslash and control characters escaped,
// every non-ASCII character as a backslash-u escape; "/" stays as it is.
QByteArray JsonText(const QString& text);
// An address inside JSON, every "/" escaped as backslash-slash.
QByteArray JsonUrl(const QByteArray& url);

// A 64-bit hash of a text (FNV-1a), the seed of every deterministic filler.
quint64 TextHash(const QString& text);

}  // namespace fake
