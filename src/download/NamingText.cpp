#include "download/NamingText.h"

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

// Bytes of the character starting at text[i] and the number of units it spans.
qsizetype CharacterBytes(QStringView text, qsizetype i, qsizetype& units) {
    const char16_t c = text[i].unicode();
    units = 1;
    if (c < 0x80) {
        return 1;
    }
    if (c < 0x800) {
        return 2;
    }
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        units = 2;
        return 4;
    }
    return 3;
}

}  // namespace

void ReplaceInvalidUnits(QString& text) {
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate() || c.isNull()) {
            text[i] = QChar(kReplacementCharacter);
        }
    }
}

void StripLeadingDots(QString& text) {
    qsizetype begin = 0;
    while (begin < text.size() && (text[begin] == u'.' || text[begin].isSpace())) {
        ++begin;
    }
    if (begin > 0) {
        text.remove(0, begin);
    }
}

qsizetype Utf8Length(QStringView text) {
    qsizetype bytes = 0;
    qsizetype units = 0;
    for (qsizetype i = 0; i < text.size(); i += units) {
        bytes += CharacterBytes(text, i, units);
    }
    return bytes;
}

void CutToUnits(QString& text, qsizetype maxUnits) {
    if (text.size() <= maxUnits) {
        return;
    }
    qsizetype keep = qMax<qsizetype>(maxUnits, 0);
    if (keep > 0 && text[keep - 1].isHighSurrogate() && text[keep].isLowSurrogate()) {
        --keep;
    }
    text.truncate(keep);
}

void CutToUtf8Bytes(QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0;
    qsizetype units = 0;
    for (qsizetype i = 0; i < text.size(); i += units) {
        const qsizetype next = CharacterBytes(text, i, units);
        if (bytes + next > maxBytes) {
            text.truncate(i);
            return;
        }
        bytes += next;
    }
}
