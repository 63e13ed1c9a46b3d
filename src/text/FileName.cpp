// Cleaning of texts from pages and users into usable file and folder names.

#include <QDateTime>
#include <utility>

#include "text/StringCtrl.h"

namespace {

constexpr qsizetype kMaxNameLength = 1000;
constexpr unsigned kTimeStampFallback = 0xFFFF;
constexpr char16_t kIdeographicFullStop = 0x3002;

// Runs of spaces become one space.
void CollapseSpaces(QString& text) {
    if (!text.contains(QLatin1String("  "))) {
        return;
    }
    QString out;
    out.reserve(text.size());
    for (const QChar c : std::as_const(text)) {
        if (c == u' ' && !out.isEmpty() && out.back() == u' ') {
            continue;
        }
        out += c;
    }
    text = out;
}

bool IsDotsOnly(const QString& text) {
    for (const QChar c : text) {
        if (c != u'.') {
            return false;
        }
    }
    return true;
}

bool IsRemovedFromNames(QChar c) {
    switch (c.unicode()) {
        case u'\r':
        case u'\n':
        case u'\\':
        case u'/':
        case u':':
        case u'*':
        case u'?':
        case u'"':
        case u'<':
        case u'>':
        case u'|':
        case 0x0007:
            return true;
        default:
            return false;
    }
}

// Drops the characters no file name may hold and turns TABs into "_".
void ReplaceForbidden(QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : std::as_const(text)) {
        if (c == u'\t') {
            out += QLatin1Char('_');
        } else if (!IsRemovedFromNames(c)) {
            out += c;
        }
    }
    text = out;
}

void StripDots(QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u'.') {
        --end;
    }
    qsizetype begin = 0;
    while (begin < end && text[begin] == u'.') {
        ++begin;
    }
    text = text.mid(begin, end - begin);
}

}  // namespace

void CleanFileName(QString& text, unsigned fallbackNumber, bool useFallback) {
    DecodeHtmlEntities(text);
    CollapseSpaces(text);
    text = text.trimmed();
    if (IsDotsOnly(text)) {
        // "." and ".." are not names; the ideographic full stop looks alike and is allowed.
        text.fill(QChar(kIdeographicFullStop));
    }
    ReplaceForbidden(text);
    // Trimming can uncover dots again (". .. ." leaves ".."): repeat until the name neither starts
    // nor ends with one, so it is never ".", "..", nor a hidden name, and cleaning it once more
    // changes nothing there.
    do {
        StripDots(text);
        text = text.trimmed();
    } while (text.startsWith(u'.') || text.endsWith(u'.'));
    if (useFallback && (text.isEmpty() || text.size() >= kMaxNameLength)) {
        if (fallbackNumber == kTimeStampFallback) {
            text = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        } else {
            text = QStringLiteral("pic%1").arg(fallbackNumber);
        }
    }
}
