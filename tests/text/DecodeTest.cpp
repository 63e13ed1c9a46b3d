// Entity and backslash-u decoding, list replacement and the cache-busting token.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <ctime>

#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

namespace {

TEST(DecodeHtmlEntities, Table) {
    struct Case {
        QString text;
        QString decoded;
    };
    const Case cases[] = {
        {"&quot;&amp;&lt;&gt;&nbsp;&hellip;&#39;", QStringLiteral(u"\"&<> …'")},
        // "&amp;" is replaced second: entities later in the order are decoded twice ...
        {"&amp;lt;", "<"},
        {"&amp;gt;&amp;nbsp;&amp;#39;", "> '"},
        {"&amp;hellip;", QStringLiteral(u"…")},
        // ... while an escaped "&quot;" comes out as "&quot;".
        {"&amp;quot;", "&quot;"},
        {"&amp;amp;", "&amp;"},
        // No other entity is known, numeric or named.
        {"&#60;&#x27;&copy;&apos;&AMP;", "&#60;&#x27;&copy;&apos;&AMP;"},
        {"a & b &amp c", "a & b &amp c"},
        {"Tom&#39;s &quot;Sea&quot;", "Tom's \"Sea\""},
        {"plain text", "plain text"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QString text = c.text;
        DecodeHtmlEntities(text);
        EXPECT_EQ(text, c.decoded);
    }
}

TEST(UnescapeUnicode, Table) {
    struct Case {
        const char* name;
        QString text;
        QString decoded;
    };
    const Case cases[] = {
        {"one escape", "\\u4e2d", QStringLiteral(u"中")},
        {"upper-case digits, text around", "a\\u4E2Db\\u6587c", QStringLiteral(u"a中b文c")},
        {"surrogate pair gives one character", "x\\ud83d\\ude00y", QStringLiteral(u"x😀y")},
        {"short tail keeps its characters", "x\\u4e", "x4e"},
        {"backslash-u at the end", "x\\u", "x"},
        {"no escape: unchanged", "abc\\x\\U0041", "abc\\x\\U0041"},
        {"reading stops at the first non-digit", "\\u4g00z", QString(QChar(4)) + "z"},
        {"no leading digit: four units consumed, nothing appended", "\\uzzzzq", "q"},
        {"escaped NUL appends nothing", "a\\u0000b", "ab"},
        {"lone surrogate kept as read", "\\ud800x", QString(QChar(0xD800)) + "x"},
        {"escaped backslash before u", "\\\\u0041", "\\A"},
        {"only the first four units are read", "\\u00410", "A0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UnescapeUnicode(c.text), c.decoded);
    }
}

TEST(ReplaceList, Table) {
    struct Case {
        const char* name;
        QString text;
        QString oldList;
        QString newList;
        QString result;
    };
    const Case cases[] = {
        {"equal counts: pair by pair", "a-b-c-a", "a|b", "1|2", "1-2-c-1"},
        {"no bars on either side", "hello", "l", "L", "heLLo"},
        {"pairs act on the result of earlier pairs", "ab", "a|b", "b|c", "cc"},
        {"empty new item deletes", "a.b;c", ".|;", "|", "abc"},
        {"empty old item replaces nothing", "abc", "|b", "x|y", "ayc"},
        {"unequal counts: whole lists, bars included", "a|b a b", "a|b", "x", "x a b"},
        {"unequal counts, other way round", "ab a", "a", "1|2", "1|2b 1|2"},
        {"unequal counts with an empty old list", "abc", "", "x|y", "abc"},
        {"case-sensitive", "Aa", "a", "b", "Ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = c.text;
        ReplaceList(text, c.oldList, c.newList);
        EXPECT_EQ(text, c.result);
    }
}

TEST(MakeRandomToken, Format) {
    static const QRegularExpression format(QStringLiteral("^[01]\\.[0-9]{16}\\n$"));
    const QString token = MakeRandomToken();
    EXPECT_TRUE(format.match(token).hasMatch()) << token.toStdString();
    const double value = token.toDouble();
    EXPECT_GE(value, 0.0);
    EXPECT_LE(value, 1.0);
}

// The value is the first rand() of the Windows runtime seeded with the current second:
// state = seed * 214013 + 2531011, r = (state >> 16) & 0x7FFF, printed as r / 32767.
TEST(MakeRandomToken, ValueOfTheSecond) {
    struct Case {
        qint64 seconds;
        const char* token;
    };
    const Case cases[] = {
        {0, "0.0011597033600879\n"},           // r = 2531011 >> 16 = 38
        {1, "0.0012512588885159\n"},           // r = 2745024 >> 16 = 41
        {1700000000, "0.8686178167058320\n"},  // r = 28462
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(MakeRandomTokenForSecond(c.seconds), QString::fromLatin1(c.token));
    }

    const std::time_t before = std::time(nullptr);
    const QString token = MakeRandomToken();
    const std::time_t after = std::time(nullptr);
    EXPECT_TRUE(token == MakeRandomTokenForSecond(before) ||
                token == MakeRandomTokenForSecond(after))
        << token.toStdString();
}

}  // namespace
