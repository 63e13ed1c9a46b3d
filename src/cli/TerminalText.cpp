#include "cli/TerminalText.h"

namespace {

QString Hex(char16_t unit, int digits) {
    return QStringLiteral("%1").arg(static_cast<unsigned>(unit), digits, 16, QLatin1Char('0'));
}

}  // namespace

QString TerminalSafe(const QString& text, bool keepLineFeeds) {
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe += text[i];
            safe += text[++i];
        } else if (QChar::isSurrogate(unit)) {
            safe += QStringLiteral("\\u") + Hex(unit, 4);
        } else if (unit == u'\n' && keepLineFeeds) {
            safe += text[i];
        } else if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) {
            safe += QStringLiteral("\\x") + Hex(unit, 2);
        } else {
            safe += text[i];
        }
    }
    return safe;
}
