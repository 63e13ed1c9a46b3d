// The album list: cleaned unique names and the count and remark texts.

#include "app/AlbumList.h"

#include <gtest/gtest.h>

namespace {

ST_PERLISTRECORD Named(const QString& name) {
    ST_PERLISTRECORD record;
    record.strName = name;
    record.strKey = QStringLiteral("k");
    return record;
}

TEST(AlbumList, NamesAreMadeUniqueFromTheCleanedBase) {
    AlbumList list;
    for (const char* name : {"A", " A ", "A", "A (1)", "a/"}) {
        list.AddAlbum(Named(QString::fromUtf8(name)));
    }
    QStringList names;
    for (int i = 0; i < list.size(); ++i) {
        names << list.at(i).strName;
        EXPECT_EQ(list.at(i).nIndex, static_cast<uint32_t>(i));
        EXPECT_EQ(list.at(i).nThumb, -1);
    }
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("A"), QStringLiteral("A (1)"), QStringLiteral("A (2)"),
                           QStringLiteral("A (1) (1)"), QStringLiteral("a")}));
    EXPECT_EQ(list.FindAlbumByName(QStringLiteral("A (2)")), 2);
    EXPECT_EQ(list.FindAlbumByName(QStringLiteral("a (2)")), -1);  // case-sensitive
}

// "50%1off" was made unique as "501off (%2)": two chained arg() calls read the name's own "%1".
// And each repeated name was numbered by trying (1), (2), ... from 1: a page of 100,000 albums of
// one name took minutes.
TEST(AlbumList, ManyRepeatedNamesKeepTheirTextAndCostLittle) {
    AlbumList list;
    list.AddAlbum(Named(QStringLiteral("50%1off %2")));
    list.AddAlbum(Named(QStringLiteral("50%1off %2")));
    EXPECT_EQ(list.at(1).strName, QStringLiteral("50%1off %2 (1)"));
    constexpr int kAlbums = 100000;
    for (int i = 0; i < kAlbums; ++i) {
        list.AddAlbum(Named(QStringLiteral("same")));
    }
    EXPECT_EQ(list.at(2).strName, QStringLiteral("same"));
    EXPECT_EQ(list.at(kAlbums + 1).strName, QStringLiteral("same (%1)").arg(kAlbums - 1));
    EXPECT_EQ(list.FindAlbumByName(QStringLiteral("same (50000)")), 50002);
}

TEST(AlbumList, EmptyNameBecomesTimeStamp) {
    AlbumList list;
    list.AddAlbum(Named(QStringLiteral(" / ")));
    const QString name = list.at(0).strName;
    EXPECT_EQ(name.size(), 14);
    EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](QChar c) { return c.isDigit(); }));
}

// The window cut names to 80 after the next album had been made unique: an 85-character name
// and its own first 80 characters became two rows of one name. The command line never cut.
TEST(AlbumList, LongNamesAreCutThenMadeUnique) {
    AlbumList list;
    const QString base(80, u'x');
    list.AddAlbum(Named(base + QStringLiteral("yyyyy")));
    list.AddAlbum(Named(base));
    list.AddAlbum(Named(QString(79, u'x') + QStringLiteral("😀")));  // a pair across the cut
    EXPECT_EQ(list.at(0).strName, base);
    EXPECT_EQ(list.at(1).strName, base + QStringLiteral(" (1)"));
    EXPECT_EQ(list.at(2).strName, QString(79, u'x'));
    EXPECT_EQ(list.FindAlbumByName(base), 0);
    list.ClearAlbums();
    EXPECT_EQ(list.size(), 0);
}

TEST(AlbumList, CountAndRemarkTexts) {
    EXPECT_EQ(FormatPicCount(-1), QStringLiteral("未知"));
    EXPECT_EQ(FormatPicCount(7), QStringLiteral("   7"));
    EXPECT_EQ(FormatPicCount(12345), QStringLiteral("12345"));
    EXPECT_EQ(FormatRemark(3), QStringLiteral("加密相册"));
    EXPECT_EQ(FormatRemark(2), QStringLiteral("私密相册"));
    EXPECT_EQ(FormatRemark(4), QStringLiteral("好友可见"));
    EXPECT_EQ(FormatRemark(0x80000000u | 42), QStringLiteral("00000042"));
    EXPECT_EQ(FormatRemark(0), QString());
}

}  // namespace
