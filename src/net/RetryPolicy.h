#pragma once
#include <QString>

// Seconds to wait before asking a busy server again: its Retry-After value (seconds, or an HTTP
// date) when the header block carries one, else a back-off doubling with each retry; at most 30.
int RetryAfterSeconds(const QString& headerBlock, int retriesSoFar);
