#pragma once
// When a failed request is tried again, and after how long: the rule that list pages and
// pictures share.

#include "net/URLSource2.h"

#include <QString>

// Tries after the first one, unless a run asks for another count (at most kMostRetries).
inline constexpr int kDefaultRetries = 3;
inline constexpr int kMostRetries = 10;

struct RetryDecision {
    bool retry = false;
    int waitSeconds = 0;
};

// For an exchange that ended with `ok` and `response` after `retriesSoFar` retries, while
// retries are left: a server that asks the client to come back later (429, 503) is asked again
// after its Retry-After; another 5xx answer, a connection that could not be made or broke, and
// a time-out are tried again after a pause that grows with each retry (about 1, 2, 4 s).
RetryDecision DecideRetry(const UrlResponse& response, bool ok, int retriesSoFar, int maxRetries);

// Seconds to wait before asking a busy server again: its Retry-After value (seconds, or an HTTP
// date) when the header block carries one, else a back-off doubling with each retry; at most 30.
int RetryAfterSeconds(const QString& headerBlock, int retriesSoFar);
