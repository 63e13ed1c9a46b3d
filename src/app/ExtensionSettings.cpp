#include "app/ExtensionSettings.h"

#include <QFile>
#include <QStringList>
#include <QStringView>

#include "net/URLSource2.h"
#include "text/StringCtrl.h"

namespace {

// The file is a handful of lines; anything beyond this is not an extension settings file.
constexpr qint64 kMaxProfileBytes = 1 << 20;
constexpr qsizetype kIntValueUnits = 64;

bool IsAscii(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

QString Utf16ToText(const QByteArray& bytes, bool bigEndian) {
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes.at(i));
        const auto second = static_cast<unsigned char>(bytes.at(i + 1));
        text.append(QChar(bigEndian ? (first << 8 | second) : (second << 8 | first)));
    }
    return text;
}

// The section name of a "[name]" line, or nothing for other lines.
std::optional<QStringView> SectionName(QStringView line) {
    if (!line.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
    if (close < 1) {
        return std::nullopt;
    }
    return line.mid(1, close - 1).trimmed();
}

QString StripQuotes(QStringView value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first) {
            value = value.mid(1, value.size() - 2);
        }
    }
    return value.toString();
}

// Maps a decoding choice text to its text flags; nothing for a text that names no choice.
std::optional<int> DecodingChoice(const QString& text) {
    struct Choice {
        const char* word;
        int flags;
    };
    static constexpr Choice kChoices[] = {
        {"UTF8", TEXT_UTF8}, {"ANSI", 0}, {"AUTO", TEXT_AUTO_UTF8}, {"BIG5", TEXT_BIG5}};
    for (const Choice& choice : kChoices) {
        if (text.startsWith(QLatin1String(choice.word), Qt::CaseSensitive)) {
            return choice.flags;
        }
    }
    return std::nullopt;
}

QString ExtensionFilePath(const QString& folder) {
    const QString name = QString::fromUtf8(kExtensionSettingsFileName);
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

}  // namespace

QString DecodeProfileText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return Utf16ToText(bytes.mid(2), false);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return Utf16ToText(bytes.mid(2), true);
    }
    if (IsAscii(bytes) || IsUtf8Text(bytes)) {
        return QString::fromUtf8(bytes);
    }
    return BytesToWide(bytes, CP_GBK);
}

std::optional<QString> FindProfileValue(const QString& profileText, const QString& section,
                                        const QString& key) {
    bool inSection = false;
    bool sectionSeen = false;
    for (QStringView line : QStringView(profileText).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (const auto name = SectionName(line)) {
            if (sectionSeen) {
                return std::nullopt;  // only the first section of that name counts
            }
            inSection = name->compare(section, Qt::CaseInsensitive) == 0;
            sectionSeen = inSection;
            continue;
        }
        if (!inSection) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            continue;
        }
        if (line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            return StripQuotes(line.mid(equals + 1).trimmed());
        }
    }
    return std::nullopt;
}

QString ReadProfileString(const QString& profileText, const QString& section, const QString& key,
                          const QString& defaultValue) {
    return FindProfileValue(profileText, section, key).value_or(defaultValue);
}

uint32_t ReadProfileInt(const QString& profileText, const QString& section, const QString& key,
                        uint32_t defaultValue) {
    const std::optional<QString> value = FindProfileValue(profileText, section, key);
    if (!value || value->isEmpty()) {
        return defaultValue;
    }
    uint32_t number = 0;
    for (const QChar c : QStringView(*value).left(kIntValueUnits)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            break;
        }
        number = number * 10 + static_cast<uint32_t>(c.unicode() - u'0');
    }
    return number;
}

void ReadExtensionSettings(ExtensionSettings& settings, const QString& folder) {
    settings.pageDecoding1 = 0;
    settings.pageDecoding2 = 0;
    settings.priceInName = 0;
    settings.priceAdjustment = 0;

    QFile file(ExtensionFilePath(folder));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QString text = DecodeProfileText(file.read(kMaxProfileBytes));

    const QString qzone = QStringLiteral("QQ空间");
    const QString taobao = QStringLiteral("淘宝");
    const QString ansi = QStringLiteral("ANSI");
    if (const auto flags =
            DecodingChoice(ReadProfileString(text, qzone, QStringLiteral("V2编码"), ansi))) {
        settings.pageDecoding1 = *flags;
    }
    if (const auto flags =
            DecodingChoice(ReadProfileString(text, qzone, QStringLiteral("V3编码"), ansi))) {
        settings.pageDecoding2 = *flags;
    }
    settings.originalNameMethod = ReadProfileInt(text, qzone, QStringLiteral("取原始名方式"), 1);
    const QString price =
        ReadProfileString(text, taobao, QStringLiteral("图片名中是否有价格"), QStringLiteral("无"));
    settings.priceInName = price.startsWith(QStringLiteral("有")) ? 1 : 0;
    settings.priceAdjustment = ReadProfileInt(text, taobao, QStringLiteral("价格增减"), 0);
}
