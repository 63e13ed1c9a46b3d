#include <gtest/gtest.h>

#include "net/BodyTrim.h"
#include "net/RequestUrl.h"

namespace {

struct TrimCase {
    const char* body;
    const char* begin;
    const char* end;
    const char* expected;
    bool endFound;
};

const TrimCase kTrimCases[] = {
    {"head<b>one<b>two<e>tail<e>", "<b>", "<e>", "two", true},
    {"no markers at all", "<b>", "<e>", "no markers at all", false},
    {"abc<e>rest", "", "<e>", "abc", true},
    {"x<b>y<b>", "<b>", "", "", false},
    {"aaaab", "aab", "", "", false},  // overlapping candidates
    {"ENDEND", "", "END", "", true},
};

// Feeds the body in two pieces split at every position, and in single bytes.
TEST(StreamingTrim, MatchesWholeBodyTrimAtEverySplit) {
    for (const TrimCase& c : kTrimCases) {
        const QByteArray body(c.body);
        QByteArray whole = body;
        TrimByMarkers(whole, c.begin, c.end);
        EXPECT_EQ(whole, QByteArray(c.expected)) << c.body;
        for (qsizetype split = 0; split <= body.size(); ++split) {
            StreamingTrim trim(c.begin, c.end);
            QByteArray out;
            bool stopped = trim.Append(out, body.constData(), split);
            if (!stopped) {
                stopped = trim.Append(out, body.constData() + split, body.size() - split);
            }
            EXPECT_EQ(out, whole) << c.body << " split " << split;
            EXPECT_EQ(stopped, c.endFound) << c.body << " split " << split;
        }
        StreamingTrim trim(c.begin, c.end);
        QByteArray out;
        bool stopped = false;
        for (qsizetype i = 0; i < body.size() && !stopped; ++i) {
            stopped = trim.Append(out, body.constData() + i, 1);
        }
        EXPECT_EQ(out, whole) << c.body << " byte by byte";
    }
}

// On one piece the begin cut runs first; while streaming, an end marker stops the reading before
// a later begin marker can arrive.
TEST(StreamingTrim, BeginCutRunsFirstWithinWhatHasArrived) {
    QByteArray whole = "<e>first<b>after";
    TrimByMarkers(whole, "<b>", "<e>");
    EXPECT_EQ(whole, "after");

    StreamingTrim trim("<b>", "<e>");
    QByteArray out;
    EXPECT_TRUE(trim.Append(out, "ab<e>first", 10));
    EXPECT_EQ(out, "ab");
}

TEST(EncodeRequestUrl, EncodesOnlyWhatCannotStandInARequestLine) {
    const struct {
        QString url;
        QByteArray expected;
    } cases[] = {
        {QStringLiteral("http://h/list?_=0.1234\n"), "http://h/list?_=0.1234%0A"},
        {QStringLiteral("http://h/a b?q=\t"), "http://h/a%20b?q=%09"},
        {QStringLiteral("http://h/%E4%B8%AD?kw=%41&x=y#frag"),
         "http://h/%E4%B8%AD?kw=%41&x=y#frag"},
        {QStringLiteral("http://h:81/贴吧?kw=中"), "http://h:81/%E8%B4%B4%E5%90%A7?kw=%E4%B8%AD"},
        {QStringLiteral("http://h/a/../b/./c\x7f"), "http://h/a/../b/./c%7F"},
        {QStringLiteral("http://h?x=1 2"), "http://h?x=1%202"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeRequestUrl(c.url), c.expected) << c.url.toStdString();
    }
}

}  // namespace
