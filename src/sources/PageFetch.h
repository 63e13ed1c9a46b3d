#pragma once
// What every lister shares: the page request, fetching a page as text (asking a busy server
// again), reading numbers.

#include "net/URLSource2.h"
#include "sources/Sinks.h"

#include <QString>

#include <functional>

// A page request: 20,000 ms time-outs and "Accept-Encoding: gzip, deflate"; no pause after a
// failed attempt (the retry rule has its own).
UrlRequest MakePageRequest(const QString& url);

// What to do with one exchange of a list page.
struct PageVerdict {
    enum Step { Text, Retry, Failed } step = Failed;
    int waitSeconds = 0;  // Retry: the pause before asking again
    PageFailure failure;  // Failed
};
// A page that arrived with a status below 400 is text; a busy server (429, 503) is asked again
// after its Retry-After while retries are left; anything else (no answer, another status of 400
// or above, a busy server out of retries) is a page that could not be fetched.
PageVerdict JudgePage(const UrlRequest& request, const UrlResponse& response, bool ok,
                      int retriesSoFar, int maxRetries);

// The text of a page that JudgePage found to be text; false, with the failure, when its body
// inflates beyond the cap (nothing of such a page is used).
bool PageTextOf(const UrlRequest& request, const UrlResponse& response, unsigned textFlags,
                QString& text, PageFailure& failure);

struct PageText {
    bool ok = false;
    QString text;         // may be empty after a successful fetch
    PageFailure failure;  // when not ok
};
using StopCheck = std::function<bool()>;
// Fetches the request with fetch flags 0 as JudgePage says, pausing before each retry, and
// reads the body with the text flags. A stop ends the pause or the transfer at once, as a
// failure of kind Cancelled.
PageText FetchListPage(const UrlRequest& request, unsigned textFlags, int maxRetries,
                       const StopCheck& stopped);

// How a listing ends on a page that could not be fetched: stopped when the page was given up
// for a stop, else a failed page.
ListingResult FailedListing(const PageFailure& failure);

// The leading decimal number of a text (white space and a sign allowed before it), 0 when the
// text does not start with a number.
int DecimalValue(const QString& text);
// Replaces every backslash-slash by a slash (escaped slashes of JSON texts).
QString UnescapeSlashes(QString text);
