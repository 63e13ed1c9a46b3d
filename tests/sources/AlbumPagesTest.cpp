// Album pages of each shape, parsed from text.

#include "sources/TiebaAlbums.h"
#include "sources/TiebaPost.h"
#include "sources/XiangceAlbums.h"

#include <gtest/gtest.h>

namespace {

// A home page holds the mobile-album data as a script object whose values are quoted strings.
const QString kXiangceHome = QStringLiteral(
    R"(<html><script>var page = {mobileAlbum: {"list":[)"
    R"({"create_time":"1","album_name":"\u6625\u5929","album_sign":"a1\/b","album_picture_total":"12","picture_cover":"http:\/\/img\/c1.jpg","x":"y"},)"
    R"({"create_time":"2","album_name":"NoSign","album_sign":"","album_picture_total":"3","picture_cover":"","x":"y"},)"
    R"({"create_time":"3","album_name":"Plain","album_sign":"a3","album_picture_total":"n/a","picture_cover":"c3","x":"y"}]},)"
    R"(userAlbumList: {"create_time":"9","album_name":"Hidden","album_sign":"zz"}}</script>)");

TEST(XiangceHomePage, ReadsAlbumsOfTheMobileData) {
    const QList<ST_PERLISTRECORD> albums = ParseXiangceHomePage(kXiangceHome);
    ASSERT_EQ(albums.size(), 2);  // the album without a sign and the one after the cut are gone
    EXPECT_EQ(albums[0].strName, QStringLiteral("春天"));
    EXPECT_EQ(albums[0].strKey, QStringLiteral("a1/b"));
    EXPECT_EQ(albums[0].nPicCount, 12);
    EXPECT_EQ(albums[0].strCover, QStringLiteral(R"(http:\/\/img\/c1.jpg)"));  // kept as given
    EXPECT_EQ(albums[1].strName, QStringLiteral("Plain"));
    EXPECT_EQ(albums[1].nPicCount, 0);
}

TEST(XiangceHomePage, WithoutMarkersParsesWholePageOrNothing) {
    // No "mobileAlbum:": the whole page is read.
    const QString noData = QStringLiteral(
        R"({"create_time":"1","album_name":"A","album_sign":"s","album_picture_total":"1","picture_cover":"c","x":"y"})");
    EXPECT_EQ(ParseXiangceHomePage(noData).size(), 1);
    EXPECT_TRUE(ParseXiangceHomePage(QStringLiteral("<html>no albums</html>")).isEmpty());
}

TEST(XiangceAlbumPage, ReadsJsonEntriesInOrder) {
    const QString page = QStringLiteral(
        R"({"data":[{"picture_cover":"http:\/\/h\/1.jpg","album_name":"\u79cb","album_sign":"k\/1","picture_total":34,"z":1},)"
        R"({"picture_cover":"c2","album_name":"Empty sign","album_sign":"","picture_total":1},)"
        R"({"picture_cover":"c3","album_name":"Three","album_sign":"k3","picture_total":"7"}]})");
    const QList<ST_PERLISTRECORD> albums = ParseXiangceAlbumPage(page);
    ASSERT_EQ(albums.size(), 2);
    EXPECT_EQ(albums[0].strCover, QStringLiteral(R"(http:\/\/h\/1.jpg)"));
    EXPECT_EQ(albums[0].strName, QStringLiteral("秋"));
    EXPECT_EQ(albums[0].strKey, QStringLiteral("k/1"));
    EXPECT_EQ(albums[0].nPicCount, 34);
    EXPECT_EQ(albums[1].strKey, QStringLiteral("k3"));
    EXPECT_EQ(albums[1].nPicCount, 0);  // the count's text starts with its quote
    EXPECT_TRUE(ParseXiangceAlbumPage(QStringLiteral(R"({"data":[]})")).isEmpty());
}

// A wall page: the HTML fragment's attribute quotes arrive escaped.
QString Tile(const QString& href, const QString& amount, const QString& title) {
    return QStringLiteral(
               R"(<div class=\"grbm_ele_wrapper\"><a href=\"%1\"><img src=\"http:\/\/imgsrc\/c.jpg\"></a>)"
               R"(<span class=\"grbm_ele_pic_amount\">%2<\/span><a title=\"%3\">x<\/a><\/div>)")
        .arg(href, amount, title);
}

TEST(TiebaAlbumPage, ReadsTilesInOrder) {
    const QString page =
        QStringLiteral(R"({"data":{"html":")") +
        Tile(QStringLiteral(R"(\/p\/5001)"), QStringLiteral("12"),
             QStringLiteral(R"(\u4e2d\u6587)")) +
        Tile(QStringLiteral("nolinkmarker"), QStringLiteral("x"), QStringLiteral("B")) +
        Tile(QString(), QStringLiteral("1"), QStringLiteral("Skipped")) + QStringLiteral(R"("}})");
    const QList<ST_PERLISTRECORD> albums = ParseTiebaAlbumPage(page);
    ASSERT_EQ(albums.size(), 2);
    EXPECT_EQ(albums[0].strKey, QStringLiteral("5001"));
    EXPECT_EQ(albums[0].strCover, QStringLiteral("http://imgsrc/c.jpg"));
    EXPECT_EQ(albums[0].nPicCount, 12);
    EXPECT_EQ(albums[0].strName, QStringLiteral("中文"));
    EXPECT_EQ(albums[1].strKey, QStringLiteral("nolinkmarker"));  // no "p/": kept whole
    EXPECT_EQ(albums[1].nPicCount, 0);
    EXPECT_TRUE(ParseTiebaAlbumPage(QStringLiteral(R"({"data":{"html":""}})")).isEmpty());
}

TEST(TiebaPostPage, OneAlbumWithUnknownCount) {
    const QString address = QStringLiteral("http://tieba.baidu.com/photo/p?kw=abc&tid=9");
    ST_PERLISTRECORD album =
        ParseTiebaPostPage(QStringLiteral("var x = {title' : '旅行照片', other : 'y'}"), address);
    EXPECT_EQ(album.strName, QStringLiteral("旅行照片"));
    EXPECT_EQ(album.strKey, address);
    EXPECT_EQ(album.nPicCount, -1);
    EXPECT_TRUE(album.strCover.isEmpty());
    EXPECT_TRUE(ParseTiebaPostPage(QStringLiteral("<html>"), address).strName.isEmpty());
}

}  // namespace
