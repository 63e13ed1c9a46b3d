#pragma once
// The HTTP fetcher. Every exchange runs on the process-wide network thread (one libcurl multi
// handle and one cookie share); FetchUrl blocks its caller until the exchange is over, and
// FetchUrlAsync reports the outcome through a callback on the network thread instead.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// Fetch flags (a bit set).
enum FetchFlag : unsigned {
    FETCH_CACHE_WRITE = 1,  // FetchUrl inflates a gzip body before its validity check
    FETCH_NO_RELOAD = 2,    // the request does not ask caches to revalidate
};

// Text flags (a bit set); the first of 2..16 that is set chooses the code page.
enum TextFlag : unsigned {
    TEXT_INFLATE = 1,
    TEXT_UTF8 = 2,
    TEXT_EUC_KR = 4,
    TEXT_BIG5 = 8,
    TEXT_AUTO_UTF8 = 16,
};

inline constexpr uint32_t kDefaultTimeoutMs = 20000;

// Why an exchange failed, for callers that decide by it (retries, size filter, messages); the
// response's error text says the same in words.
enum class FetchError : uint8_t {
    None,
    Cancelled,       // the request's cancel flag was set
    Stopped,         // the network thread has stopped
    Refused,         // the connection was refused
    Unreachable,     // no connection could be made otherwise
    HostNotFound,    // the host or proxy name did not resolve
    Tls,             // the TLS handshake or certificate check failed
    TimedOut,        // no progress for longer than the request allows
    Reset,           // the connection broke: reset, closed early, empty or malformed reply
    HttpStatus,      // an answer of 400 or above, where the request fails on it
    UnderSizeLimit,  // shorter than the request's minSizeKb
    OverSizeLimit,   // longer than the request's maxSizeKb
    TooLarge,        // beyond the fetcher's own cap (kBodyCap)
    File,            // the save file could not be created, written or renamed
    Rejected,        // too short or holding the retry marker (FetchUrl's attempts)
    Other,           // bad address, too many redirects, unsupported scheme, and the rest
};

struct UrlRequest {
    explicit UrlRequest(const QString& url = QString(), const QString& savePath = QString(),
                        uint32_t timeoutMs = kDefaultTimeoutMs);
    // Empties address, headers, save path and markers, restores "GET", 20,000 ms and no size
    // limits; keeps the retry settings.
    void Reset();

    QString url;
    QString verb = QStringLiteral("GET");
    QString extraHeaders;    // header lines separated by CR LF
    QByteArray beginMarker;  // body is cut up to and including this marker
    QByteArray endMarker;    // body is cut from this marker on; reading stops there
    QByteArray retryMarker;  // FetchUrl tries again when the body holds it
    QString savePath;        // file that receives the body; empty keeps it in memory
    std::optional<QByteArray> postBody;
    uint32_t readTimeoutMs;     // longest time without progress while the body arrives
    uint32_t connectTimeoutMs;  // longest time without progress before the body starts
    uint32_t minSizeKb = 0;
    uint32_t maxSizeKb = 0;  // 0: no upper limit
    uint32_t minValidLength = 0;
    uint8_t attempts = 1;
    uint8_t retryDelaySec = 1;

    // Picture downloads: an answer with status 400 or above is a failure, not a body.
    bool failOnHttpError = false;
    // Picture downloads: a save file cut off on the way is kept (with the answer's validator)
    // and the next request for the same save path asks only for the missing bytes.
    bool resume = false;
    // Setting the flag aborts the exchange (download stop); may be shared by many requests.
    std::shared_ptr<std::atomic_bool> cancel;
    // Never through a proxy, whatever the proxy variables say (a daemon on this machine).
    bool direct = false;
};

// The User-Agent text every request sends.
const char* UserAgentText();

// No body grows beyond this, whatever the request's size limits: the exchange fails once a body
// in memory or in its save file passes it, and a save file announced longer is never started.
// (A picture of the largest limit the settings can hold, 65,535 KiB, stays well below it.)
inline constexpr qsizetype kBodyCap = 256 * 1024 * 1024;

struct UrlResponse {
    QString headers;  // raw header block of the final response, lines ended by CR LF
    QByteArray body;  // as received (still compressed for gzip), after the marker trims;
                      // stays empty when the body went to a save file
    QByteArray beginMarker;
    QByteArray endMarker;
    bool isGzip = false;  // the header block holds "gzip"

    int statusCode = 0;     // status of the final response; 0 when none arrived
    qint64 bodyLength = 0;  // length of the accepted body, in memory or in the save file
    QString error;          // why the last exchange failed (empty after success)
    FetchError errorKind = FetchError::None;
    qint64 partialBytes = 0;  // after a failure: bytes kept in the partial file for a later try

    // One exchange; true when it completed within the size limits (the status is not examined
    // unless the request asks for it).
    bool Perform(const UrlRequest& request, unsigned fetchFlags);
    // The body as text: inflation, the marker trim of compressed bodies, the code page choice and
    // entity decoding. The text ends at the first zero. overCap (when given) tells whether the
    // inflated body went beyond kInflateCap (the text then holds only what came before it).
    void GetText(QString& text, unsigned textFlags, bool* overCap = nullptr) const;
};

// Attempts Perform up to request.attempts times, judging each answer by its length and retry
// marker, pausing retryDelaySec after each failed attempt.
bool FetchUrl(const UrlRequest& request, UrlResponse& response, unsigned fetchFlags);

// The same as FetchUrl without blocking: `done` runs on the network thread once, with the
// response and the result, never inside this call. It must return quickly, must not call
// FetchUrl and must not wait for a lock its submitter may hold while submitting. False, and
// `done` never runs, when the network thread has stopped.
using FetchDone = std::function<void(UrlResponse&& response, bool ok)>;
[[nodiscard]] bool FetchUrlAsync(const UrlRequest& request, unsigned fetchFlags, FetchDone done);

// Inflates a gzip or zlib stream (header detected automatically) into out. False on a data error
// or truncated input; the output produced before it is kept. Output is capped at kInflateCap;
// overCap (when given) tells whether the stream went beyond it.
inline constexpr qsizetype kInflateCap = 64 * 1024 * 1024;
bool InflateGzip(const char* bytes, qsizetype length, QByteArray& out, bool* overCap = nullptr);
