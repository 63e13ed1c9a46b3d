#pragma once
// Text utilities: marker-based extraction, entity and escape decoding, code-page conversions,
// the protected-text codec and file-name cleaning. All positions and lengths count UTF-16 units;
// searches are exact, case-sensitive and find the first occurrence from the left.

#include <QByteArray>
#include <QString>
#include <QStringList>

// Options of ExtractBetween (a bit set).
enum ExtractOption : unsigned {
    EXTRACT_ADVANCE = 1,    // the caller's text is advanced to just after the start marker
    EXTRACT_KEEP_REST = 2,  // without an end marker the result is everything after the start
};

// Code pages understood by BytesToWide. CP_ANSI is the "ANSI" page, which here means GBK.
enum CodePage : int {
    CP_ANSI = 0,
    CP_GBK = 936,
    CP_BIG5 = 950,
    CP_EUC_KR = 51949,
    CP_UTF8 = 65001,
};

// Value between the first start marker and the next end marker; empty when either is missing.
QString ExtractBetween(QString& text, const QString& startMarker, const QString& endMarker,
                       unsigned options);
// Drops everything before the first marker (and the marker too when includeMarker is set).
// Returns the marker's former position, or -1 with the text unchanged.
qsizetype SkipPast(QString& text, const QString& marker, bool includeMarker);
// Keeps only the part before the first marker. Returns its position, or -1 with the text unchanged.
qsizetype CutAt(QString& text, const QString& marker);
// Non-overlapping occurrences from the left; 0 for an empty marker.
qsizetype CountOccurrences(const QString& text, const QString& marker);
// Splits on the marker into n + 1 pieces (markers dropped) and returns n; no marker gives an empty
// list and 0.
qsizetype SplitByMarker(const QString& text, const QString& marker, QStringList& pieces);
// The seven entity replacements, in their fixed order.
void DecodeHtmlEntities(QString& text);
// Decodes backslash-u escapes of four hexadecimal digits into single UTF-16 units.
QString UnescapeUnicode(const QString& text);
// Replaces the "|"-separated items of oldList by those of newList, pair by pair.
void ReplaceList(QString& text, const QString& oldList, const QString& newList);
// A cache-busting value: "%0.16f\n" of a fraction seeded by the current second. Thread-safe.
QString MakeRandomToken();
// The token MakeRandomToken gives during the given second since the epoch.
QString MakeRandomTokenForSecond(qint64 seconds);
// Percent-decodes the text's GBK bytes and reads them as UTF-8 (asUtf8) or GBK.
QString UrlUnescape(const QString& text, bool asUtf8);
// Percent-decoding of raw bytes ("%" and two hex digits; "+" stays; stops at a bad "%").
QByteArray PercentDecodeBytes(const QByteArray& bytes);

QByteArray WideToGbk(const QString& text);
QString BytesToWide(const char* bytes, qsizetype count, int codePage);
inline QString BytesToWide(const QByteArray& bytes, int codePage) {
    return BytesToWide(bytes.constData(), bytes.size(), codePage);
}
// Zero-terminated bytes in the ANSI page (GBK).
QString AnsiToWide(const char* bytes);
bool IsUtf8Text(const char* bytes, qsizetype count);
inline bool IsUtf8Text(const QByteArray& bytes) {
    return IsUtf8Text(bytes.constData(), bytes.size());
}

QString EncodeProtectedText(const QString& plain, const QString& key);
QString DecodeProtectedText(const QString& protectedText, const QString& key);

// Makes a text usable as a file or folder name. With useFallback, an empty or over-long result
// becomes a time stamp (fallbackNumber 0xFFFF) or "pic<fallbackNumber>".
void CleanFileName(QString& text, unsigned fallbackNumber, bool useFallback);
