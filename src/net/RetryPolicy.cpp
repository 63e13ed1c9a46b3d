#include "net/RetryPolicy.h"

#include <QDateTime>

#include <algorithm>

namespace {

constexpr int kLongestWait = 30;

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
    const int backOff = 1 << std::clamp(retriesSoFar, 0, 4);
    const QString value = HeaderValue(headerBlock, QStringLiteral("Retry-After"));
    if (value.isEmpty()) {
        return std::min(backOff, kLongestWait);
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
    return std::min(backOff, kLongestWait);
}

RetryDecision DecideRetry(const UrlResponse& response, bool ok, int retriesSoFar, int maxRetries) {
    if (retriesSoFar >= maxRetries) {
        return {};
    }
    const int status = response.statusCode;
    const bool busy = status == 429 || status == 503;
    // A list page arrives with its status (ok); a picture fails on it in the fetcher.
    if (!busy || (!ok && response.errorKind != FetchError::HttpStatus)) {
        return {};
    }
    return {true, RetryAfterSeconds(response.headers, retriesSoFar)};
}
