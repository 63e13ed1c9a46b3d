#pragma once
// When a failed request is tried again, and after how long: the rule that list pages and
// pictures share.

#include "net/URLSource2.h"

#include <QString>

// Tries after the first one, unless a run asks for another count.
inline constexpr int kDefaultRetries = 3;

struct RetryDecision {
    bool retry = false;
    int waitSeconds = 0;
};

// For an exchange that ended with `ok` and `response` after `retriesSoFar` retries: a server that
// asks the client to come back later (429, 503) is asked again after its Retry-After.
RetryDecision DecideRetry(const UrlResponse& response, bool ok, int retriesSoFar, int maxRetries);

// Seconds to wait before asking a busy server again: its Retry-After value (seconds, or an HTTP
// date) when the header block carries one, else a back-off doubling with each retry; at most 30.
int RetryAfterSeconds(const QString& headerBlock, int retriesSoFar);
