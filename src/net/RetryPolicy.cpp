#include "net/RetryPolicy.h"

#include <QDateTime>

#include <algorithm>

namespace {

constexpr int kLongestWait = 30;

// About 1, 2, 4, 8 s, growing with each retry; at most 30.
int BackOffSeconds(int retriesSoFar) {
    return std::min(1 << std::clamp(retriesSoFar, 0, 4), kLongestWait);
}

// The value of the header in the block, empty when it is missing.
QString HeaderValue(const QString& block, const QString& name) {
    for (const QString& line : block.split(QLatin1String("\r\n"))) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return QString();
}

}  // namespace

int RetryAfterSeconds(const QString& headerBlock, int retriesSoFar) {
    const int backOff = BackOffSeconds(retriesSoFar);
    const QString value = HeaderValue(headerBlock, QStringLiteral("Retry-After"));
    if (value.isEmpty()) {
        return backOff;
    }
    bool isNumber = false;
    const qint64 seconds = value.toLongLong(&isNumber);
    if (isNumber) {
        return static_cast<int>(std::clamp<qint64>(seconds, 0, kLongestWait));
    }
    const QDateTime when = QDateTime::fromString(value, Qt::RFC2822Date);
    if (when.isValid()) {
        const qint64 wait = QDateTime::currentDateTimeUtc().secsTo(when);
        return static_cast<int>(std::clamp<qint64>(wait, 0, kLongestWait));
    }
    return backOff;
}

RetryDecision DecideRetry(const UrlResponse& response, bool ok, int retriesSoFar, int maxRetries) {
    if (retriesSoFar >= maxRetries) {
        return {};
    }
    const int status = response.statusCode;
    // A list page arrives with its status (ok); a picture fails on it in the fetcher.
    if (ok || response.errorKind == FetchError::HttpStatus) {
        if (status == 429 || status == 503) {
            return {true, RetryAfterSeconds(response.headers, retriesSoFar)};
        }
        if (status >= 500 && status < 600) {
            return {true, BackOffSeconds(retriesSoFar)};
        }
        return {};
    }
    switch (response.errorKind) {
        case FetchError::Refused:
        case FetchError::Unreachable:
        case FetchError::TimedOut:
        case FetchError::Reset:
            return {true, BackOffSeconds(retriesSoFar)};
        default:
            return {};
    }
}
