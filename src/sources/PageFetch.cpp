#include "sources/PageFetch.h"

#include "net/NetworkThread.h"
#include "net/RetryPolicy.h"

#include <QUrl>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
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
    request.retryDelaySec = 0;  // the retry rule of list pages spaces the tries
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

constexpr auto kStopCheck = std::chrono::milliseconds(50);

// Waits the seconds; false when a stop came first.
bool PauseUnlessStopped(int seconds, const StopCheck& stopped) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + std::chrono::seconds(seconds);
    while (steady_clock::now() < until) {
        if (stopped && stopped()) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<steady_clock::duration>(kStopCheck, until - steady_clock::now()));
    }
    return !(stopped && stopped());
}

// One exchange on the network thread, waited for here; a stop cancels the transfer, so a
// stalled server never keeps a stop waiting for its time-out.
bool FetchUnlessStopped(UrlRequest request, UrlResponse& response, const StopCheck& stopped) {
    struct Arrival {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
        bool ok = false;
        UrlResponse response;
    };
    const auto arrival = std::make_shared<Arrival>();
    const auto cancel = std::make_shared<std::atomic_bool>(false);
    request.cancel = cancel;
    const bool accepted = FetchUrlAsync(request, 0, [arrival](UrlResponse&& answer, bool ok) {
        std::lock_guard lock(arrival->mutex);
        arrival->response = std::move(answer);
        arrival->ok = ok;
        arrival->done = true;
        arrival->changed.notify_all();
    });
    if (!accepted) {
        response.error = QStringLiteral("network stopped");
        response.errorKind = FetchError::Stopped;
        return false;
    }
    std::unique_lock lock(arrival->mutex);
    while (!arrival->done) {
        if (!cancel->load() && stopped && stopped()) {
            cancel->store(true);
            NetworkThread::Instance().Wake();
        }
        arrival->changed.wait_for(lock, kStopCheck);
    }
    response = std::move(arrival->response);
    return arrival->ok;
}

PageFailure Cancelled(const UrlRequest& request, int status) {
    return {request.url.trimmed(), QStringLiteral("cancelled"), FetchError::Cancelled, status};
}

}  // namespace

PageText FetchListPage(const UrlRequest& request, unsigned textFlags, int maxRetries,
                       const StopCheck& stopped) {
    PageText page;
    for (int retries = 0;; ++retries) {
        UrlResponse response;
        const bool ok = FetchUnlessStopped(request, response, stopped);
        if (stopped && stopped()) {
            page.failure = Cancelled(request, response.statusCode);
            return page;
        }
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
            page.failure = Cancelled(request, response.statusCode);
            return page;
        }
    }
}

ListingResult FailedListing(const PageFailure& failure) {
    // A page given up because a stop came is the stop, not a fault of the service.
    if (failure.kind == FetchError::Cancelled) {
        return {ListingEnd::Stopped, {}};
    }
    return {ListingEnd::PageFailed, failure};
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
