// Code-page conversions, the UTF-8 test and percent-decoding.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

namespace {

QByteArray Bytes(const char* hex) {
    return QByteArray::fromHex(hex);
}

TEST(BytesToWide, Table) {
    struct Case {
        const char* name;
        QByteArray bytes;
        qsizetype count;  // -1: the whole array
        int codePage;
        QString text;
    };
    const QString zhongWen = QStringLiteral(u"中文");
    const Case cases[] = {
        {"GBK", Bytes("d6d0cec4"), -1, CP_GBK, zhongWen},
        {"ANSI means GBK", Bytes("d6d0cec4"), -1, CP_ANSI, zhongWen},
        {"Big5", Bytes("a4a4a4e5"), -1, CP_BIG5, zhongWen},
        {"EUC-KR", Bytes("c7d1b1b9"), -1, CP_EUC_KR, QStringLiteral(u"한국")},
        {"UTF-8", Bytes("e4b8ade69687"), -1, CP_UTF8, zhongWen},
        {"UTF-8, four-byte character", Bytes("61f09f988062"), -1, CP_UTF8, QStringLiteral(u"a😀b")},
        {"GBK, zero byte inside", Bytes("d6d000cec4"), -1, CP_GBK, QStringLiteral(u"中")},
        {"Big5, zero byte inside", Bytes("a4a400a4e5"), -1, CP_BIG5, QStringLiteral(u"中")},
        {"EUC-KR, zero byte inside", Bytes("c7d100b1b9"), -1, CP_EUC_KR, QStringLiteral(u"한")},
        {"UTF-8, zero byte inside", Bytes("e4b8ad00e69687"), -1, CP_UTF8, QStringLiteral(u"中")},
        {"leading zero byte", Bytes("00d6d0"), -1, CP_GBK, ""},
        {"exactly count bytes", Bytes("d6d0cec4"), 2, CP_GBK, QStringLiteral(u"中")},
        {"count 0", Bytes("d6d0"), 0, CP_GBK, ""},
        {"ASCII in every page", "abc", -1, CP_EUC_KR, "abc"},
        {"unknown code page", "abc", -1, 1252, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype count = c.count < 0 ? c.bytes.size() : c.count;
        EXPECT_EQ(BytesToWide(c.bytes.constData(), count, c.codePage), c.text);
    }
    EXPECT_EQ(BytesToWide(nullptr, 4, CP_GBK), "");
}

TEST(WideToGbk, Table) {
    struct Case {
        const char* name;
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"Chinese and ASCII", QStringLiteral(u"中文a"), Bytes("d6d0cec461")},
        {"euro sign of the Windows GBK page", QStringLiteral(u"€"), Bytes("80")},
        {"unmappable becomes ?", QStringLiteral(u"a\u0e01b"), "a?b"},
        {"lone surrogate inside", QStringLiteral(u"a") + QChar(0xDC00) + "b", "a?b"},
        {"high surrogate at the end", QStringLiteral(u"a") + QChar(0xD800), "a?"},
        {"stops at the first zero", QString::fromLatin1("ab\0cd", 5), "ab"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WideToGbk(c.text), c.bytes);
    }
}

TEST(AnsiToWide, StopsAtTheTerminator) {
    const QByteArray bytes = Bytes("d6d0cec400d6d0");
    EXPECT_EQ(AnsiToWide(bytes.constData()), QStringLiteral(u"中文"));
    EXPECT_EQ(AnsiToWide(""), "");
    EXPECT_EQ(AnsiToWide(nullptr), "");
}

TEST(IsUtf8Text, Table) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"empty", "", false},
        {"pure ASCII", "plain <html>", false},
        {"three-byte character", Bytes("3ce4b8ad3e"), true},
        {"two-byte character", Bytes("61c3a962"), true},
        {"four-byte character", Bytes("f09f9880"), true},
        {"old five-byte form (lead 0xF8: four more)", Bytes("f888808080"), true},
        {"old six-byte form (lead 0xFC: five more)", Bytes("fc8480808080"), true},
        {"lead 0xFE: four more", Bytes("fe80808080"), true},
        {"truncated sequence at the end", Bytes("61e4b8"), false},
        {"truncated sequence before ASCII", Bytes("e4b861"), false},
        {"continuation byte without a lead", Bytes("6180"), false},
        {"one continuation byte too many", Bytes("c3a9a9"), false},
        {"GBK text", Bytes("d6d0cec4"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsUtf8Text(c.bytes), c.utf8);
    }
    // Only count bytes are examined.
    EXPECT_FALSE(IsUtf8Text(Bytes("e4b8ad").constData(), 2));
    EXPECT_FALSE(IsUtf8Text(nullptr, 3));
}

TEST(PercentDecodeBytes, Table) {
    struct Case {
        QByteArray in;
        QByteArray out;
    };
    const Case cases[] = {
        {"%41%4a%4A+%20x", "AJJ+ x"},
        {"%D6%d0", Bytes("d6d0")},
        {"ab%zzcd", "ab"},
        {"ab%4", "ab"},
        {"ab%", "ab"},
        {"%%41", ""},
        {"a%00b", QByteArray("a\0b", 3)},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(PercentDecodeBytes(c.in), c.out);
    }
}

TEST(UrlUnescape, Table) {
    struct Case {
        const char* name;
        QString text;
        bool asUtf8;
        QString decoded;
    };
    const Case cases[] = {
        {"GBK", "kw=%D6%D0%CE%C4&pn=1", false, QStringLiteral(u"kw=中文&pn=1")},
        {"UTF-8", "kw=%E4%B8%AD%E6%96%87", true, QStringLiteral(u"kw=中文")},
        {"lower-case digits", "%d6%d0", false, QStringLiteral(u"中")},
        {"plus stays a plus", "a+b%20c", false, "a+b c"},
        {"bad percent ends the text", "ab%zz%41", false, "ab"},
        {"percent at the end", "ab%", false, "ab"},
        {"decoded zero ends the text", "ab%00cd", false, "ab"},
        {"wide input goes through GBK", QStringLiteral(u"中%CE%C4"), false,
         QStringLiteral(u"中文")},
        {"the GBK page unless asked for UTF-8", "%E4%B8", false, QStringLiteral(u"涓")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UrlUnescape(c.text, c.asUtf8), c.decoded);
    }
}

// Input that decodes to more than 1023 bytes is decoded in full.
TEST(UrlUnescape, LongInput) {
    const QString gbk = QStringLiteral("%D6%D0").repeated(700);  // 1400 bytes
    EXPECT_EQ(UrlUnescape(gbk, false), QStringLiteral(u"中").repeated(700));
    const QString ascii = QStringLiteral("%41").repeated(2000) + "%42";
    EXPECT_EQ(UrlUnescape(ascii, true), QString(2000, QLatin1Char('A')) + "B");
}

// The converters are used from several threads at once; each result must be exact.
TEST(CodePages, ConcurrentConversions) {
    struct Sample {
        int codePage;
        QByteArray bytes;
        QString text;
    };
    const std::vector<Sample> samples = {
        {CP_GBK, Bytes("d6d0cec4"), QStringLiteral(u"中文")},
        {CP_BIG5, Bytes("a4a4a4e5"), QStringLiteral(u"中文")},
        {CP_EUC_KR, Bytes("c7d1b1b9"), QStringLiteral(u"한국")},
        {CP_UTF8, Bytes("e4b8ade69687"), QStringLiteral(u"中文")},
    };
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&samples, &failures, t] {
            for (int i = 0; i < 2000; ++i) {
                const Sample& s = samples[(i + t) % samples.size()];
                // A cut-off lead byte must not leak into the next conversion.
                const QByteArray cut = s.bytes.left(3);
                BytesToWide(cut, s.codePage);
                if (BytesToWide(s.bytes, s.codePage) != s.text ||
                    WideToGbk(QStringLiteral(u"中文")) != Bytes("d6d0cec4")) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
