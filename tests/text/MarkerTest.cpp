// Marker-based extraction: ExtractBetween, SkipPast, CutAt, CountOccurrences, SplitByMarker.

#include <gtest/gtest.h>

#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

namespace {

struct ExtractCase {
    const char* name;
    QString text;
    QString start;
    QString end;
    unsigned options;
    QString result;
    QString textAfter;
};

TEST(ExtractBetween, Table) {
    const QString page = QStringLiteral("var album_sign: 'a1b2', x");
    const ExtractCase cases[] = {
        {"value found, text advanced to the value", page, "album_sign: '", "'", EXTRACT_ADVANCE,
         "a1b2", "a1b2', x"},
        {"without advance the text stays", page, "album_sign: '", "'", 0, "a1b2", page},
        {"end marker missing: empty, still advanced", "k=abc", "k=", ";", EXTRACT_ADVANCE, "",
         "abc"},
        {"end marker missing, keep rest", "k=abc", "k=", ";", EXTRACT_ADVANCE | EXTRACT_KEEP_REST,
         "abc", "abc"},
        {"keep rest with the end marker present", "k=abc;d", "k=", ";", EXTRACT_KEEP_REST, "abc",
         "k=abc;d"},
        {"start marker missing: unchanged even with advance", page, "nope", "'",
         EXTRACT_ADVANCE | EXTRACT_KEEP_REST, "", page},
        {"empty value", "a='' b='x'", "a='", "'", EXTRACT_ADVANCE, "", "' b='x'"},
        {"end searched only after the start", "'z' k='v'", "k='", "'", 0, "v", "'z' k='v'"},
        {"first occurrence of the start wins", "id=1;id=2;", "id=", ";", EXTRACT_ADVANCE, "1",
         "1;id=2;"},
        {"start marker at the very end", "abc k=", "k=", ";", EXTRACT_ADVANCE | EXTRACT_KEEP_REST,
         "", ""},
        {"search is case-sensitive", "ID=1;", "id=", ";", EXTRACT_ADVANCE, "", "ID=1;"},
        {"empty start marker matches at 0", "abc", "", "b", EXTRACT_ADVANCE, "a", "abc"},
        {"empty end marker matches right after the start", "k=v", "k=", "", EXTRACT_ADVANCE, "",
         "v"},
        {"positions count UTF-16 units", QStringLiteral(u"名😀=中文;"), QStringLiteral(u"😀="), ";",
         EXTRACT_ADVANCE, QStringLiteral(u"中文"), QStringLiteral(u"中文;")},
    };
    for (const ExtractCase& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = c.text;
        EXPECT_EQ(ExtractBetween(text, c.start, c.end, c.options), c.result);
        EXPECT_EQ(text, c.textAfter);
    }
}

// Listers read the fields of one record in page order; a missing field must not disturb the
// reads that follow it.
TEST(ExtractBetween, FieldsReadInPageOrder) {
    QString record =
        QStringLiteral(R"({"album_id":"77","album_name":"Sea","pic_num":"12"},{"album_id":"78"})");
    const auto field = [&record](const char* start) {
        return ExtractBetween(record, QString::fromLatin1(start), QStringLiteral("\""),
                              EXTRACT_ADVANCE);
    };
    EXPECT_EQ(field(R"("album_id":")"), "77");
    EXPECT_EQ(field(R"("cover":")"), "");
    EXPECT_EQ(field(R"("album_name":")"), "Sea");
    EXPECT_EQ(field(R"("pic_num":")"), "12");
    EXPECT_EQ(field(R"("album_id":")"), "78");
    EXPECT_EQ(field(R"("album_id":")"), "");
    EXPECT_EQ(record, "78\"}");
}

// Advancing must not change another holder of the same text (shared storage).
TEST(ExtractBetween, AdvanceLeavesCopiesAlone) {
    const QString page = QStringLiteral("a=1;b=2;");
    QString text = page;
    EXPECT_EQ(ExtractBetween(text, "a=", ";", EXTRACT_ADVANCE), "1");
    EXPECT_EQ(ExtractBetween(text, "b=", ";", EXTRACT_ADVANCE), "2");
    EXPECT_EQ(text, "2;");
    EXPECT_EQ(page, "a=1;b=2;");
}

TEST(SkipPast, Table) {
    struct Case {
        QString text;
        QString marker;
        bool include;
        qsizetype pos;
        QString textAfter;
    };
    const Case cases[] = {
        {"abcXYdef", "XY", false, 3, "XYdef"}, {"abcXYdef", "XY", true, 3, "def"},
        {"XYXY", "XY", true, 0, "XY"},         {"abcdef", "XY", true, -1, "abcdef"},
        {"abcXY", "XY", true, 3, ""},          {"abc", "", true, 0, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.marker.toStdString());
        QString text = c.text;
        EXPECT_EQ(SkipPast(text, c.marker, c.include), c.pos);
        EXPECT_EQ(text, c.textAfter);
    }
}

TEST(CutAt, Table) {
    struct Case {
        QString text;
        QString marker;
        qsizetype pos;
        QString textAfter;
    };
    const Case cases[] = {
        {"abcXYdefXY", "XY", 3, "abc"},
        {"XYabc", "XY", 0, ""},
        {"abcdef", "XY", -1, "abcdef"},
        {"abc", "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.marker.toStdString());
        QString text = c.text;
        EXPECT_EQ(CutAt(text, c.marker), c.pos);
        EXPECT_EQ(text, c.textAfter);
    }
}

TEST(CountOccurrences, Table) {
    struct Case {
        QString text;
        QString marker;
        qsizetype count;
    };
    const Case cases[] = {
        {"xaxbx", "x", 3}, {"aaaa", "aa", 2}, {"aaa", "aa", 1}, {"abc", "d", 0},
        {"", "a", 0},      {"abc", "", 0},    {"", "", 0},      {"Aa", "a", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.marker.toStdString());
        EXPECT_EQ(CountOccurrences(c.text, c.marker), c.count);
    }
}

TEST(SplitByMarker, Table) {
    struct Case {
        QString text;
        QString marker;
        qsizetype count;
        QStringList pieces;
    };
    const Case cases[] = {
        {"head|a|b", "|", 2, {"head", "a", "b"}},
        {"no marker here", "|", 0, {}},
        {"|a|", "|", 2, {"", "a", ""}},
        {"||", "|", 2, {"", "", ""}},
        {"aaa", "aa", 1, {"", "a"}},
        {"x<li>1</li><li>2</li>", "<li>", 2, {"x", "1</li>", "2</li>"}},
        {"", "|", 0, {}},
        {"abc", "", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.marker.toStdString());
        QStringList pieces = {"left over from an earlier call"};
        EXPECT_EQ(SplitByMarker(c.text, c.marker, pieces), c.count);
        EXPECT_EQ(pieces, c.pieces);
        EXPECT_EQ(c.count, CountOccurrences(c.text, c.marker));
    }
}

// Every piece after the first starts right after one marker, on a page of many records.
TEST(SplitByMarker, ManyRecords) {
    QString page = QStringLiteral("<head>");
    for (int i = 0; i < 50000; ++i) {
        page += QStringLiteral("{\"pic_id\":\"%1\"}").arg(i);
    }
    QStringList pieces;
    ASSERT_EQ(SplitByMarker(page, QStringLiteral("{\"pic_id\":\""), pieces), 50000);
    EXPECT_EQ(pieces.first(), "<head>");
    EXPECT_EQ(pieces[1], "0\"}");
    EXPECT_EQ(pieces.last(), "49999\"}");
}

}  // namespace
