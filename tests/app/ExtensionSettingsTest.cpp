// The extension settings file "下载器扩展设置.ini" and the profile reader behind it.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringEncoder>

#include "app/ExtensionSettings.h"
#include "support/TempDir.h"

namespace {

const QString kFileName = QStringLiteral("下载器扩展设置.ini");

const QString kFullText = QStringLiteral(
    "; written by hand\r\n"
    "[QQ空间]\r\n"
    "V2编码=UTF8\r\n"
    "V3编码 = \"BIG5\"\r\n"
    "取原始名方式=3\r\n"
    "\r\n"
    "[淘宝]\r\n"
    "图片名中是否有价格=有价格\r\n"
    "价格增减=25\r\n");

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low);
        bytes.append(bigEndian ? low : high);
    }
    return bytes;
}

QByteArray Gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

// Reads a file holding the given bytes, starting from values that the reset must clear.
ExtensionSettings ReadFrom(const QByteArray& bytes) {
    TempDir dir;
    dir.write(kFileName, bytes);
    ExtensionSettings settings{5, 6, 7, 8, 9};
    ReadExtensionSettings(settings, dir.path());
    return settings;
}

void ExpectFullValues(const ExtensionSettings& s, const char* what) {
    EXPECT_EQ(s.pageDecoding1, 2) << what;
    EXPECT_EQ(s.pageDecoding2, 8) << what;
    EXPECT_EQ(s.originalNameMethod, 3u) << what;
    EXPECT_EQ(s.priceInName, 1) << what;
    EXPECT_EQ(s.priceAdjustment, 25u) << what;
}

TEST(ExtensionSettings, ReadsEveryFileEncoding) {
    const QByteArray gbk = Gbk(kFullText);
    ASSERT_NE(gbk, kFullText.toUtf8());
    ExpectFullValues(ReadFrom(kFullText.toUtf8()), "UTF-8");
    ExpectFullValues(ReadFrom("\xEF\xBB\xBF" + kFullText.toUtf8()), "UTF-8 with BOM");
    ExpectFullValues(ReadFrom(Utf16(kFullText, false)), "UTF-16LE");
    ExpectFullValues(ReadFrom(Utf16(kFullText, true)), "UTF-16BE");
    ExpectFullValues(ReadFrom(gbk), "GBK");
}

TEST(ExtensionSettings, MissingFileResetsAllButTheOriginalNameMethod) {
    TempDir dir;
    ExtensionSettings settings{5, 6, 7, 8, 9};
    ReadExtensionSettings(settings, dir.path());
    EXPECT_EQ(settings.pageDecoding1, 0);
    EXPECT_EQ(settings.pageDecoding2, 0);
    EXPECT_EQ(settings.originalNameMethod, 7u);
    EXPECT_EQ(settings.priceInName, 0);
    EXPECT_EQ(settings.priceAdjustment, 0u);
}

TEST(ExtensionSettings, EmptyFileGivesTheDefaults) {
    const ExtensionSettings s = ReadFrom(QByteArray());
    EXPECT_EQ(s.pageDecoding1, 0);
    EXPECT_EQ(s.pageDecoding2, 0);
    EXPECT_EQ(s.originalNameMethod, 1u);
    EXPECT_EQ(s.priceInName, 0);
    EXPECT_EQ(s.priceAdjustment, 0u);
}

TEST(ExtensionSettings, DecodingChoiceTexts) {
    struct Case {
        const char* line;  // UTF-8; empty for no key at all
        int want;
    };
    const Case cases[] = {
        {"V3编码=UTF8", 2},  {"V3编码=UTF8-BOM", 2}, {"V3编码=utf8", 0},      {"V3编码=AUTO", 16},
        {"V3编码=BIG5", 8},  {"V3编码=ANSI", 0},     {"V3编码=  AUTO  ", 16}, {"V3编码='BIG5'", 8},
        {"V3编码=XUTF8", 0}, {"V3编码= UTF 8", 0},   {"V3编码=", 0},          {"", 0},
        {"v3编码=AUTO", 16},  // key names ignore letter case
    };
    for (const Case& c : cases) {
        const QString text = QStringLiteral("[QQ空间]\n") + QString::fromUtf8(c.line) + u'\n';
        EXPECT_EQ(ReadFrom(text.toUtf8()).pageDecoding2, c.want) << c.line;
    }
}

TEST(ExtensionSettings, IntegerValues) {
    struct Case {
        QString line;  // empty for no key at all
        uint32_t want;
    };
    const QString key = QStringLiteral("取原始名方式=");
    const Case cases[] = {
        {QString(), 1},  // missing: the default
        {key, 1},        // empty: the default
        {key + QStringLiteral("42"), 42},
        {key + QStringLiteral(" 12abc "), 12},
        {key + QStringLiteral("abc"), 0},  // present but not a number
        {key + QStringLiteral("-5"), 0},
        {key + QStringLiteral("\"7\""), 7},
        {key + QString(63, QLatin1Char('0')) + QStringLiteral("7"), 7},
        {key + QString(64, QLatin1Char('0')) + QStringLiteral("7"), 0},  // cut to 64 units
        {key + QStringLiteral("4294967297"), 1},                         // wraps at 32 bits
    };
    for (const Case& c : cases) {
        const QString text = QStringLiteral("[QQ空间]\n") + c.line + u'\n';
        EXPECT_EQ(ReadFrom(text.toUtf8()).originalNameMethod, c.want) << c.line.toStdString();
    }
}

TEST(ExtensionSettings, PriceFlag) {
    struct Case {
        const char* value;
        int want;
    };
    const Case cases[] = {{"有", 1}, {"有价格", 1}, {"无", 0}, {"没有", 0}, {"", 0}};
    for (const Case& c : cases) {
        const QString text =
            QStringLiteral("[淘宝]\n图片名中是否有价格=") + QString::fromUtf8(c.value) + u'\n';
        EXPECT_EQ(ReadFrom(text.toUtf8()).priceInName, c.want) << c.value;
    }
}

TEST(ProfileReader, FirstSectionAndFirstKeyWin) {
    const QString text = QStringLiteral(
        "top=0\n"
        "[other]\n"
        "key=wrong\n"
        "[Main]\n"
        ";key=commented\n"
        "no equals sign\n"
        "KEY=first\n"
        "key=second\n"
        "missing here\n"
        "[MAIN]\n"
        "key=third\n"
        "later=only in the second section\n");
    EXPECT_EQ(FindProfileValue(text, QStringLiteral("main"), QStringLiteral("key")),
              QStringLiteral("first"));
    EXPECT_EQ(FindProfileValue(text, QStringLiteral("main"), QStringLiteral("later")),
              std::nullopt);
    EXPECT_EQ(FindProfileValue(text, QStringLiteral("absent"), QStringLiteral("key")),
              std::nullopt);
    EXPECT_EQ(FindProfileValue(text, QStringLiteral("other"), QStringLiteral("key")),
              QStringLiteral("wrong"));
    EXPECT_EQ(ReadProfileString(text, QStringLiteral("main"), QStringLiteral("nokey"),
                                QStringLiteral("dflt")),
              QStringLiteral("dflt"));
}

TEST(ProfileReader, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
    struct Case {
        const char* line;
        const char* want;
    };
    const Case cases[] = {
        {"k =  a b  ", "a b"}, {"k=\"a b\"", "a b"}, {"k='x'", "x"},   {"k=\"\"x\"\"", "\"x\""},
        {"k=\"x'", "\"x'"},    {"k=\"", "\""},       {"k=a=b", "a=b"}, {"k=", ""},
    };
    for (const Case& c : cases) {
        const QString text =
            QStringLiteral("[s]\r\n") + QString::fromUtf8(c.line) + QStringLiteral("\r\n");
        EXPECT_EQ(FindProfileValue(text, QStringLiteral("s"), QStringLiteral("k")),
                  QString::fromUtf8(c.want))
            << c.line;
    }
}

TEST(ProfileReader, CorruptFilesFallBackToDefaults) {
    QByteArray random(4096, '\0');
    QRandomGenerator generator(20240101);
    for (char& byte : random) {
        byte = static_cast<char>(generator.bounded(256));
    }
    const QByteArray cases[] = {
        random,
        QByteArray("\xFF\xFE\x5B", 3),  // UTF-16 with an odd byte
        QByteArray("\xFE\xFF", 2),
        QByteArray("\xEF\xBB\xBF[\xC3", 5),
        QByteArray("[\0QQ\0]\n\0=\0", 10),
        QByteArray("[[[[]]]]\n=====\n;;;;\n[", 22),
    };
    for (const QByteArray& bytes : cases) {
        const ExtensionSettings s = ReadFrom(bytes);
        EXPECT_EQ(s.pageDecoding1, 0);
        EXPECT_EQ(s.pageDecoding2, 0);
        EXPECT_EQ(s.originalNameMethod, 1u);
        EXPECT_EQ(s.priceInName, 0);
        EXPECT_EQ(s.priceAdjustment, 0u);
    }
}

}  // namespace
