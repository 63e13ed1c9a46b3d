#pragma once
// What every lister shares: the page request, fetching a page as text, reading numbers.

#include "net/URLSource2.h"

#include <QString>

// A page request: 20,000 ms time-outs and "Accept-Encoding: gzip, deflate".
UrlRequest MakePageRequest(const QString& url);
// Fetches the request with fetch flags 0 and reads the body with the text flags. False when the
// fetch failed; the text may still be empty after a successful fetch.
bool FetchPageText(const UrlRequest& request, QString& text, unsigned textFlags);
// The leading decimal number of a text (white space and a sign allowed before it), 0 when the
// text does not start with a number.
int DecimalValue(const QString& text);
// Replaces every backslash-slash by a slash (escaped slashes of JSON texts).
QString UnescapeSlashes(QString text);
