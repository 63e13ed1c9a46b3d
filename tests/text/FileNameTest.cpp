// File-name cleaning.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>

#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

namespace {

constexpr unsigned kStamp = 0xFFFF;

TEST(CleanFileName, Table) {
    struct Case {
        const char* name;
        QString text;
        bool useFallback;
        QString cleaned;
    };
    const Case cases[] = {
        {"runs of spaces become one", "  my   album  name ", false, "my album name"},
        {"entities decoded first", "Tom&#39;s &amp; Jerry&nbsp;&nbsp;&nbsp;x", false,
         "Tom's & Jerry x"},
        {"decoded quotes are removed", "&quot;Sea&quot; &lt;1&gt;", true, "Sea 1"},
        {"forbidden characters removed", "a\\b/c:d*e?f\"g<h>i|j", true, "abcdefghij"},
        {"line breaks removed", "a\r\nb\nc", true, "abc"},
        {"TAB becomes _", "a\tb", true, "a_b"},
        {"BEL removed", QStringLiteral("a\u0007b"), true, "ab"},
        {"dots only become ideographic full stops", "...", false, QStringLiteral(u"。。。")},
        {"a single dot, spaces around", " . ", false, QStringLiteral(u"。")},
        {"leading and trailing dots dropped", ".hidden.", false, "hidden"},
        {"dots then spaces then dots", ". a .", false, "a"},
        {"only forbidden characters and a dot", " ?. ", false, ""},
        {"path-like names stay one component", "../../etc/passwd", false, "etcpasswd"},
        {"drive and share prefixes", "\\\\server\\share\\C:\\x", false, "servershareCx"},
        {"inner dots kept", "v1.2.jpg", false, "v1.2.jpg"},
        {"Chinese text untouched", QStringLiteral(u"我的 相册"), true,
         QStringLiteral(u"我的 相册")},
        {"empty without fallback stays empty", "", false, ""},
        {"999 characters kept", QString(999, QLatin1Char('a')), true,
         QString(999, QLatin1Char('a'))},
        {"too long without fallback kept", QString(1200, QLatin1Char('a')), false,
         QString(1200, QLatin1Char('a'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = c.text;
        CleanFileName(text, kStamp, c.useFallback);
        EXPECT_EQ(text, c.cleaned);
    }
}

TEST(CleanFileName, FallbackNumber) {
    struct Case {
        QString text;
        unsigned number;
        QString cleaned;
    };
    const Case cases[] = {
        {"", 7, "pic7"},
        {"???", 0, "pic0"},
        {QString(1000, QLatin1Char('x')), 12, "pic12"},
        {"name", 12, "name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.left(20).toStdString());
        QString text = c.text;
        CleanFileName(text, c.number, true);
        EXPECT_EQ(text, c.cleaned);
    }
}

// Empty or over-long names become the local time stamp "yyyyMMddHHmmss".
TEST(CleanFileName, TimeStamp) {
    static const QRegularExpression stamp(QStringLiteral("^[0-9]{14}$"));
    const QString inputs[] = {"", " <>|. ", QString(1000, QLatin1Char('a'))};
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.left(20).toStdString());
        const QString before =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        QString text = input;
        CleanFileName(text, kStamp, true);
        const QString after =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        EXPECT_TRUE(stamp.match(text).hasMatch()) << text.toStdString();
        EXPECT_GE(text, before);
        EXPECT_LE(text, after);
    }
}

}  // namespace
