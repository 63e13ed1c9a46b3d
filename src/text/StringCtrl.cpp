// Marker-based extraction, entity and backslash-u decoding, list replacement and the
// cache-busting token.

#include "text/StringCtrl.h"

#include <charconv>
#include <cstdint>
#include <ctime>

QString ExtractBetween(QString& text, const QString& startMarker, const QString& endMarker,
                       unsigned options) {
    const qsizetype start = text.indexOf(startMarker);
    if (start < 0) {
        return {};
    }
    // Work on positions instead of a trimmed copy: the rest begins right after the start marker.
    const qsizetype rest = start + startMarker.size();
    QString result;
    const qsizetype end = text.indexOf(endMarker, rest);
    if (end >= 0) {
        result = text.mid(rest, end - rest);
    } else if (options & EXTRACT_KEEP_REST) {
        result = text.mid(rest);
    }
    if (options & EXTRACT_ADVANCE) {
        // Removing a prefix of an unshared QString only moves its start, so advancing through a
        // large page record by record stays linear.
        text.remove(0, rest);
    }
    return result;
}

qsizetype SkipPast(QString& text, const QString& marker, bool includeMarker) {
    const qsizetype pos = text.indexOf(marker);
    if (pos < 0) {
        return -1;
    }
    text.remove(0, includeMarker ? pos + marker.size() : pos);
    return pos;
}

qsizetype CutAt(QString& text, const QString& marker) {
    const qsizetype pos = text.indexOf(marker);
    if (pos < 0) {
        return -1;
    }
    text.truncate(pos);
    return pos;
}

qsizetype CountOccurrences(const QString& text, const QString& marker) {
    if (marker.isEmpty()) {
        return 0;
    }
    qsizetype count = 0;
    for (qsizetype pos = text.indexOf(marker); pos >= 0;
         pos = text.indexOf(marker, pos + marker.size())) {
        ++count;
    }
    return count;
}

qsizetype SplitByMarker(const QString& text, const QString& marker, QStringList& pieces) {
    pieces.clear();
    if (marker.isEmpty()) {
        return 0;
    }
    qsizetype pieceStart = 0;
    for (qsizetype pos = text.indexOf(marker); pos >= 0; pos = text.indexOf(marker, pieceStart)) {
        pieces.append(text.mid(pieceStart, pos - pieceStart));
        pieceStart = pos + marker.size();
    }
    if (pieces.isEmpty()) {
        return 0;  // no marker: an empty list, not a one-item list
    }
    pieces.append(text.mid(pieceStart));
    return pieces.size() - 1;
}

void DecodeHtmlEntities(QString& text) {
    if (!text.contains(QLatin1Char('&'))) {
        return;
    }
    // The order matters: "&amp;" goes second, so an escaped entity later in the list is decoded
    // twice while an escaped "&quot;" is decoded once.
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&hellip;"), QString(QChar(0x2026)));
    text.replace(QLatin1String("&#39;"), QLatin1String("'"));
}

namespace {

int HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// Reads the leading hexadecimal digits of at most four units; 0 when the first is not a digit.
char16_t ReadHex4(const QString& piece) {
    char16_t value = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        const int digit = HexDigitValue(piece[i]);
        if (digit < 0) {
            break;
        }
        value = static_cast<char16_t>(value * 16 + digit);
    }
    return value;
}

}  // namespace

QString UnescapeUnicode(const QString& text) {
    QStringList pieces;
    if (SplitByMarker(text, QStringLiteral("\\u"), pieces) < 1) {
        return text;
    }
    QString out = pieces.first();
    out.reserve(text.size());
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        if (piece.size() < 4) {
            out += piece;  // too short for an escape: only the backslash-u is dropped
            continue;
        }
        // The four units are consumed in any case. A value of 0 (no leading hex digit, or an
        // escaped NUL) appends nothing: a NUL unit would cut names and paths short downstream.
        // Lone surrogate halves are kept as read; later name cleaning deals with them.
        const char16_t value = ReadHex4(piece);
        if (value != 0) {
            out += QChar(value);
        }
        out += QStringView(piece).mid(4);
    }
    return out;
}

void ReplaceList(QString& text, const QString& oldList, const QString& newList) {
    const QChar bar = QLatin1Char('|');
    if (oldList.count(bar) != newList.count(bar)) {
        // An empty search text would insert the replacement between every two units.
        if (!oldList.isEmpty()) {
            text.replace(oldList, newList);
        }
        return;
    }
    const QStringList oldItems = oldList.split(bar);
    const QStringList newItems = newList.split(bar);
    for (qsizetype i = 0; i < oldItems.size(); ++i) {
        if (!oldItems[i].isEmpty()) {
            text.replace(oldItems[i], newItems[i]);
        }
    }
}

QString MakeRandomTokenForSecond(qint64 seconds) {
    // The first rand() of the Windows C runtime after srand(seed): one step of its linear
    // congruential generator, computed locally so that no generator state is shared.
    const auto seed = static_cast<std::uint32_t>(seconds);
    const std::uint32_t state = seed * 214013u + 2531011u;
    const int r = static_cast<int>((state >> 16) & 0x7FFF);
    // "%0.16f\n" in the C locale; std::to_chars never uses the process locale.
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, r / 32767.0, std::chars_format::fixed, 16);
    QString token = QString::fromLatin1(buffer, ec == std::errc() ? end - buffer : 0);
    token += QLatin1Char('\n');
    return token;
}

QString MakeRandomToken() {
    return MakeRandomTokenForSecond(std::time(nullptr));
}
