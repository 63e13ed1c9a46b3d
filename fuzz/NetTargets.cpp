// Fuzz entries of what the fetcher reads from servers and from its own files: the resume headers
// and the validator file, the Retry-After rule, and the cookie-file merge.

#include "FuzzEntries.h"
#include "FuzzInput.h"

#include "net/CookieMerge.h"
#include "net/NetscapeCookie.h"
#include "net/PartialFile.h"
#include "net/RetryPolicy.h"

#include <QSet>

namespace {

// What may go into a header line unchanged.
bool HeaderSafe(const QByteArray& text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

QList<QByteArray> Lines(const QByteArray& piece) {
    return piece.split('\n');
}

QByteArray Key(const StoredCookie& cookie) {
    const QByteArray domain = cookie.domain.startsWith('.') ? cookie.domain.mid(1) : cookie.domain;
    return domain.toLower() + '\t' + cookie.path + '\t' + cookie.name;
}

}  // namespace

void FuzzContentRange(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<ContentRange> range = ParseContentRange(bytes)) {
        FUZZ_CHECK(range->first >= 0);
        FUZZ_CHECK(range->first <= range->last);
        FUZZ_CHECK(range->total == -1 || range->last < range->total);
    }
    // The bytes as a header block: a validator goes into If-Range as it is, so it must be safe
    // there, and its file must give it back.
    const QByteArray validator = ResumeValidator(bytes);
    if (!validator.isEmpty()) {
        FUZZ_CHECK(HeaderSafe(validator));
        const KeptValidator kept{validator, "http://h/p.jpg"};
        const std::optional<KeptValidator> back = ParseValidatorFile(ValidatorFileContent(kept));
        FUZZ_CHECK(back && back->validator == validator && back->address == kept.address);
    }
    // The bytes as a validator file (one a crash or another program may have left).
    if (const std::optional<KeptValidator> kept = ParseValidatorFile(bytes)) {
        FUZZ_CHECK(!kept->validator.isEmpty() && !kept->address.isEmpty());
        FUZZ_CHECK(HeaderSafe(kept->validator) && HeaderSafe(kept->address));
    }
}

void FuzzRetryAfter(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int retries = in.Byte() % 12;
    const int maxRetries = in.Byte() % 12;
    const int status = (in.Byte() << 8 | in.Byte()) % 1000;
    const auto kind =
        static_cast<FetchError>(in.Byte() % (static_cast<int>(FetchError::Other) + 1));
    const bool ok = in.Byte() & 1;
    UrlResponse response;
    response.headers = QString::fromLatin1(in.Rest());
    response.statusCode = status;
    response.errorKind = ok ? FetchError::None : kind;

    const int wait = RetryAfterSeconds(response.headers, retries);
    FUZZ_CHECK(wait >= 0 && wait <= 30);
    const RetryDecision decision = DecideRetry(response, ok, retries, maxRetries);
    FUZZ_CHECK(!decision.retry || retries < maxRetries);
    FUZZ_CHECK(decision.waitSeconds >= 0 && decision.waitSeconds <= 30);
    // A picture left out by the size filter, or a stop, is never asked for again.
    if (!ok && (kind == FetchError::UnderSizeLimit || kind == FetchError::Cancelled)) {
        FUZZ_CHECK(!decision.retry);
    }
}

void FuzzCookieMerge(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QList<QByteArray> disk = Lines(in.Piece());
    const QList<QByteArray> baseline = Lines(in.Piece());
    const QList<QByteArray> current = Lines(in.Rest());
    const QList<QByteArray> merged = MergeCookieLines(disk, baseline, current);

    QSet<QByteArray> keys;
    for (const QByteArray& line : merged) {
        const std::optional<StoredCookie> cookie = FromNetscapeLine(line);
        FUZZ_CHECK(cookie.has_value());
        if (cookie) {
            FUZZ_CHECK(!keys.contains(Key(*cookie)));
            keys.insert(Key(*cookie));
        }
    }
    // Every cookie this process holds now and did not hold so in the baseline is in the file as
    // it holds it.
    QSet<QByteArray> baselineLines;
    for (const QByteArray& line : baseline) {
        if (const std::optional<StoredCookie> cookie = FromNetscapeLine(line)) {
            baselineLines.insert(ToNetscapeLine(*cookie));
        }
    }
    QSet<QByteArray> mergedLines(merged.begin(), merged.end());
    QSet<QByteArray> currentKeys;
    for (const QByteArray& line : current) {
        if (const std::optional<StoredCookie> cookie = FromNetscapeLine(line)) {
            currentKeys.insert(Key(*cookie));
        }
    }
    for (const QByteArray& line : MergeCookieLines(current, {}, {})) {
        if (!baselineLines.contains(line)) {
            FUZZ_CHECK(mergedLines.contains(line));
        }
    }
    // A cookie this process removed since the baseline is gone from the file.
    for (const QByteArray& line : baseline) {
        if (const std::optional<StoredCookie> cookie = FromNetscapeLine(line)) {
            if (!currentKeys.contains(Key(*cookie))) {
                FUZZ_CHECK(!keys.contains(Key(*cookie)));
            }
        }
    }
}
