#include "net/URLSource2.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <future>
#include <thread>

#include "net/BodyTrim.h"
#include "net/NetworkThread.h"
#include "net/Transfer.h"
#include "text/StringCtrl.h"

namespace {

constexpr char kRejected[] = "answer rejected (too short or retry marker)";
constexpr char kStopped[] = "network stopped";
constexpr char kOnNetworkThread[] = "blocking fetch on the network thread";

bool Cancelled(const UrlRequest& request) {
    return request.cancel && request.cancel->load();
}

// Whether a completed exchange is a valid answer: longer than minValidLength and free of the retry
// marker. A body saved to a file is judged by its length only.
bool AttemptIsValid(const UrlRequest& request, const UrlResponse& response, unsigned fetchFlags) {
    if (request.minValidLength == 0 && request.retryMarker.isEmpty()) {
        return true;
    }
    if (!request.savePath.isEmpty()) {
        return response.bodyLength > static_cast<qint64>(request.minValidLength);
    }
    QByteArray copy;
    if ((fetchFlags & FETCH_CACHE_WRITE) && response.isGzip) {
        InflateGzip(response.body.constData(), response.body.size(), copy);
    } else {
        copy = response.body;
    }
    return copy.size() > static_cast<qsizetype>(request.minValidLength) &&
           (request.retryMarker.isEmpty() || !copy.contains(request.retryMarker));
}

// The pause after a failed attempt; ends early when the request is cancelled.
void PauseBeforeRetry(const UrlRequest& request) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + seconds(request.retryDelaySec);
    while (!Cancelled(request) && steady_clock::now() < until) {
        std::this_thread::sleep_for(
            std::min<steady_clock::duration>(milliseconds(50), until - steady_clock::now()));
    }
}

// The attempts of one FetchUrlAsync call, run on the network thread; retry pauses are timers.
class AsyncFetch : public std::enable_shared_from_this<AsyncFetch> {
public:
    AsyncFetch(const UrlRequest& request, unsigned flags, FetchDone done)
        : request_(request), flags_(flags), done_(std::move(done)) {}

    void NextAttempt() {
        if (request_.attempts == 0) {
            last_.error = QStringLiteral("no attempts");
            last_.errorKind = FetchError::Other;
            Report(false);
            return;
        }
        ++attempt_;
        auto self = shared_from_this();
        NetworkThread::Instance().Start(std::make_unique<Transfer>(
            request_, flags_, last_.headers,
            [self](UrlResponse&& response, bool ok) { self->Judge(std::move(response), ok); }));
    }

private:
    void Judge(UrlResponse&& response, bool ok) {
        last_ = std::move(response);
        if (ok) {
            if (AttemptIsValid(request_, last_, flags_)) {
                Report(true);
                return;
            }
            last_.error = QString::fromLatin1(kRejected);
            last_.errorKind = FetchError::Rejected;
        }
        NetworkThread& net = NetworkThread::Instance();
        if (Cancelled(request_) || net.Stopping()) {
            Report(false);
            return;
        }
        auto self = shared_from_this();
        net.AddTimer(
            NetworkThread::Clock::now() + std::chrono::seconds(request_.retryDelaySec),
            [self] { self->AfterPause(); }, request_.cancel);
    }

    void AfterPause() {
        if (attempt_ >= request_.attempts || Cancelled(request_) ||
            NetworkThread::Instance().Stopping()) {
            Report(false);
        } else {
            NextAttempt();
        }
    }

    void Report(bool ok) {
        FetchDone done = std::move(done_);
        done(std::move(last_), ok);
    }

    UrlRequest request_;
    unsigned flags_;
    FetchDone done_;
    UrlResponse last_;
    unsigned attempt_ = 0;
};

QString DecodeBytes(const QByteArray& bytes, const QString& headers, unsigned textFlags) {
    if (headers.contains(QLatin1String("charset=GBK"))) {
        return AnsiToWide(bytes.constData());
    }
    if (textFlags & TEXT_UTF8) {
        return BytesToWide(bytes, CP_UTF8);
    }
    if (textFlags & TEXT_EUC_KR) {
        return BytesToWide(bytes, CP_EUC_KR);
    }
    if (textFlags & TEXT_BIG5) {
        return BytesToWide(bytes, CP_BIG5);
    }
    if ((textFlags & TEXT_AUTO_UTF8) && IsUtf8Text(bytes)) {
        return BytesToWide(bytes, CP_UTF8);
    }
    return AnsiToWide(bytes.constData());
}

}  // namespace

UrlRequest::UrlRequest(const QString& url, const QString& savePath, uint32_t timeoutMs)
    : url(url), savePath(savePath), readTimeoutMs(timeoutMs), connectTimeoutMs(timeoutMs) {}

void UrlRequest::Reset() {
    url.clear();
    extraHeaders.clear();
    savePath.clear();
    verb = QStringLiteral("GET");
    beginMarker.clear();
    endMarker.clear();
    readTimeoutMs = kDefaultTimeoutMs;
    connectTimeoutMs = kDefaultTimeoutMs;
    postBody.reset();
    minSizeKb = 0;
    maxSizeKb = 0;
}

bool UrlResponse::Perform(const UrlRequest& request, unsigned fetchFlags) {
    body.clear();
    beginMarker = request.beginMarker;
    endMarker = request.endMarker;
    isGzip = false;
    statusCode = 0;
    bodyLength = 0;
    error.clear();
    errorKind = FetchError::None;
    NetworkThread& net = NetworkThread::Instance();
    if (net.IsCurrent()) {
        error = QString::fromLatin1(kOnNetworkThread);
        errorKind = FetchError::Other;
        return false;
    }
    std::promise<std::pair<UrlResponse, bool>> promise;
    std::future<std::pair<UrlResponse, bool>> result = promise.get_future();
    auto transfer = std::make_unique<Transfer>(request, fetchFlags, headers,
                                               [&promise](UrlResponse&& response, bool ok) {
                                                   promise.set_value({std::move(response), ok});
                                               });
    if (!net.Submit(std::move(transfer))) {
        error = QString::fromLatin1(kStopped);
        errorKind = FetchError::Stopped;
        return false;
    }
    auto [response, ok] = result.get();
    *this = std::move(response);
    return ok;
}

bool FetchUrl(const UrlRequest& request, UrlResponse& response, unsigned fetchFlags) {
    if (request.attempts == 0) {
        response.error = QStringLiteral("no attempts");
        response.errorKind = FetchError::Other;
        return false;
    }
    if (NetworkThread::Instance().IsCurrent()) {
        response.error = QString::fromLatin1(kOnNetworkThread);  // it would block every transfer
        response.errorKind = FetchError::Other;
        return false;
    }
    for (unsigned attempt = 1;; ++attempt) {
        if (response.Perform(request, fetchFlags)) {
            if (AttemptIsValid(request, response, fetchFlags)) {
                return true;
            }
            response.error = QString::fromLatin1(kRejected);
            response.errorKind = FetchError::Rejected;
        }
        if (Cancelled(request)) {
            return false;
        }
        PauseBeforeRetry(request);
        if (attempt >= request.attempts) {
            return false;
        }
    }
}

bool FetchUrlAsync(const UrlRequest& request, unsigned fetchFlags, FetchDone done) {
    auto fetch = std::make_shared<AsyncFetch>(request, fetchFlags, std::move(done));
    // Once refused, the callback is dropped with the fetch: it never runs inside this call.
    return NetworkThread::Instance().Post([fetch] { fetch->NextAttempt(); });
}

void UrlResponse::GetText(QString& text, unsigned textFlags, bool* overCap) const {
    QByteArray copy;
    if (overCap != nullptr) {
        *overCap = false;
    }
    if ((textFlags & TEXT_INFLATE) && isGzip) {
        // Partial output (a truncated or broken stream) is used as well.
        InflateGzip(body.constData(), body.size(), copy, overCap);
        if (overCap != nullptr && *overCap) {
            text.clear();  // the caller drops such a page: it is not decoded at all
            return;
        }
    } else {
        copy = body;
    }
    if (isGzip) {
        TrimByMarkers(copy, beginMarker, endMarker);
    }
    text = DecodeBytes(copy, headers, textFlags);
    DecodeHtmlEntities(text);
}

bool InflateGzip(const char* bytes, qsizetype length, QByteArray& out, bool* overCap) {
    constexpr int kWindowBits = 15 + 32;  // zlib or gzip header, detected automatically
    constexpr qsizetype kWindow = 8192;
    z_stream stream{};
    if (inflateInit2(&stream, kWindowBits) != Z_OK) {
        return false;
    }
    const auto* next = reinterpret_cast<const Bytef*>(bytes);
    qsizetype left = length;
    const qsizetype limit = out.size() + kInflateCap;
    char window[kWindow];
    bool ended = false;
    for (;;) {
        if (stream.avail_in == 0 && left > 0) {
            const auto chunk = static_cast<uInt>(std::min<qsizetype>(left, UINT_MAX));
            stream.next_in = const_cast<Bytef*>(next);
            stream.avail_in = chunk;
            next += chunk;
            left -= chunk;
        }
        stream.next_out = reinterpret_cast<Bytef*>(window);
        stream.avail_out = kWindow;
        const int result = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = kWindow - stream.avail_out;
        if (out.size() + produced > limit) {
            out.append(window, limit - out.size());
            if (overCap != nullptr) {
                *overCap = true;
            }
            break;  // over the cap: a failure
        }
        out.append(window, produced);
        if (result == Z_STREAM_END) {
            ended = true;
            break;
        }
        if (result != Z_OK) {
            break;
        }
    }
    inflateEnd(&stream);
    return ended;
}
