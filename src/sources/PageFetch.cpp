#include "sources/PageFetch.h"

#include "net/RetryPolicy.h"

#include <QUrl>

#include <chrono>
#include <limits>
#include <thread>

QString PageFailure::Host() const {
    return QUrl(url).host();
}

QString PageFailure::Describe() const {
    const QString host = Host();
    return host.isEmpty() ? reason : host + QStringLiteral(": ") + reason;
}

UrlRequest MakePageRequest(const QString& url) {
    UrlRequest request(url, QString(), kDefaultTimeoutMs);
    request.extraHeaders = QStringLiteral("Accept-Encoding: gzip, deflate");
    return request;
}

PageVerdict JudgePage(const UrlRequest& request, const UrlResponse& response, bool ok,
                      int retriesSoFar, int maxRetries) {
    if (ok && response.statusCode < 400) {
        return {PageVerdict::Text, 0, {}};
    }
    const RetryDecision retry = DecideRetry(response, ok, retriesSoFar, maxRetries);
    if (retry.retry) {
        return {PageVerdict::Retry, retry.waitSeconds, {}};
    }
    PageFailure failure;
    failure.url = request.url.trimmed();
    failure.status = response.statusCode;
    if (ok) {
        failure.kind = FetchError::HttpStatus;
        failure.reason = QStringLiteral("HTTP %1").arg(response.statusCode);
    } else {
        failure.kind = response.errorKind;
        failure.reason = response.error;
    }
    return {PageVerdict::Failed, 0, failure};
}

bool PageTextOf(const UrlRequest& request, const UrlResponse& response, unsigned textFlags,
                QString& text, PageFailure& failure) {
    // A page's text has the same cap whether it came compressed or not.
    bool overCap = !response.isGzip && response.body.size() > kInflateCap;
    if (!overCap) {
        response.GetText(text, textFlags, &overCap);
    }
    if (!overCap) {
        return true;
    }
    text.clear();
    failure = {request.url.trimmed(),
               QStringLiteral("page text beyond %1 MiB").arg(kInflateCap / (1024 * 1024)),
               FetchError::TooLarge, response.statusCode};
    return false;
}

namespace {

// Waits the seconds; false when a stop came first.
bool PauseUnlessStopped(int seconds, const StopCheck& stopped) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + std::chrono::seconds(seconds);
    while (steady_clock::now() < until) {
        if (stopped && stopped()) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<steady_clock::duration>(milliseconds(50), until - steady_clock::now()));
    }
    return !(stopped && stopped());
}

}  // namespace

PageText FetchListPage(const UrlRequest& request, unsigned textFlags, int maxRetries,
                       const StopCheck& stopped) {
    PageText page;
    for (int retries = 0;; ++retries) {
        UrlResponse response;
        const bool ok = FetchUrl(request, response, 0);
        const PageVerdict verdict = JudgePage(request, response, ok, retries, maxRetries);
        if (verdict.step == PageVerdict::Text) {
            page.ok = PageTextOf(request, response, textFlags, page.text, page.failure);
            return page;
        }
        if (verdict.step == PageVerdict::Failed) {
            page.failure = verdict.failure;
            return page;
        }
        if (!PauseUnlessStopped(verdict.waitSeconds, stopped)) {
            page.failure = {request.url.trimmed(), QStringLiteral("cancelled"),
                            FetchError::Cancelled, response.statusCode};
            return page;
        }
    }
}

int DecimalValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<int>::max()) {
            value = std::numeric_limits<int>::max();
        }
    }
    return static_cast<int>(negative ? -value : value);
}

QString UnescapeSlashes(QString text) {
    return text.replace(QLatin1String("\\/"), QLatin1String("/"));
}
