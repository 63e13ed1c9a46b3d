// When a failed request is tried again, and after how long.

#include "net/RetryPolicy.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

UrlResponse Answer(int status, const QString& headers = QString()) {
    UrlResponse response;
    response.statusCode = status;
    response.headers = QStringLiteral("HTTP/1.1 %1 X\r\n").arg(status) + headers;
    return response;
}

UrlResponse Failure(FetchError kind, int status = 0) {
    UrlResponse response;
    response.statusCode = status;
    response.errorKind = kind;
    response.error = QStringLiteral("failed");
    return response;
}

TEST(RetryPolicy, WhatIsTriedAgainAndAfterHowLong) {
    struct Case {
        const char* what;
        UrlResponse response;
        bool ok;
        int retriesSoFar;
        bool retry;
        int wait;
    };
    const Case cases[] = {
        {"list page 429 with Retry-After", Answer(429, "Retry-After: 7\r\n"), true, 0, true, 7},
        {"picture 503 without Retry-After", Failure(FetchError::HttpStatus, 503), false, 1, true,
         2},
        {"Retry-After beyond the cap", Answer(503, "Retry-After: 9999\r\n"), true, 0, true, 30},
        {"500 grows its pause", Answer(500), true, 2, true, 4},
        {"502 of a picture", Failure(FetchError::HttpStatus, 502), false, 0, true, 1},
        {"404 is final", Answer(404), true, 0, false, 0},
        {"403 of a picture is final", Failure(FetchError::HttpStatus, 403), false, 0, false, 0},
        {"refused", Failure(FetchError::Refused), false, 0, true, 1},
        {"reset", Failure(FetchError::Reset), false, 1, true, 2},
        {"time-out", Failure(FetchError::TimedOut), false, 2, true, 4},
        {"host not found is final", Failure(FetchError::HostNotFound), false, 0, false, 0},
        {"TLS is final", Failure(FetchError::Tls), false, 0, false, 0},
        {"size filter is final", Failure(FetchError::UnderSizeLimit), false, 0, false, 0},
        {"a stop is final", Failure(FetchError::Cancelled), false, 0, false, 0},
        {"no retries left", Failure(FetchError::Reset), false, 3, false, 0},
    };
    for (const Case& c : cases) {
        const RetryDecision decision = DecideRetry(c.response, c.ok, c.retriesSoFar, 3);
        EXPECT_EQ(decision.retry, c.retry) << c.what;
        if (c.retry) {
            EXPECT_EQ(decision.waitSeconds, c.wait) << c.what;
        }
    }
    EXPECT_FALSE(DecideRetry(Failure(FetchError::Reset), false, 0, 0).retry);  // --retries 0
}

TEST(RetryPolicy, RetryAfterAsSecondsOrDate) {
    EXPECT_EQ(RetryAfterSeconds(QStringLiteral("Retry-After: 0\r\n"), 0), 0);
    EXPECT_EQ(RetryAfterSeconds(QStringLiteral("retry-after:   12  \r\n"), 0), 12);
    EXPECT_EQ(RetryAfterSeconds(QStringLiteral("Retry-After: -5\r\n"), 0), 0);
    EXPECT_EQ(RetryAfterSeconds(QStringLiteral("Retry-After: soon\r\n"), 2), 4);
    const QString inTen = QDateTime::currentDateTimeUtc().addSecs(10).toString(Qt::RFC2822Date);
    const int wait = RetryAfterSeconds(QStringLiteral("Retry-After: ") + inTen + "\r\n", 0);
    EXPECT_GE(wait, 8);
    EXPECT_LE(wait, 10);
}

}  // namespace
