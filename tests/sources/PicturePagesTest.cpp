// Picture pages of each shape, parsed from text, and the addresses the picture listers request.

#include "sources/TiebaPictures.h"
#include "sources/TiebaPostPictures.h"
#include "sources/XiangcePictures.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// An address ending in the cache-busting token ("0." and 16 digits, then a line feed), with
// `after` following it.
void ExpectTokenAddress(const QString& url, const QString& before, const QString& after = {}) {
    const QRegularExpression pattern(QStringLiteral("\\A") + QRegularExpression::escape(before) +
                                     QStringLiteral("[01]\\.\\d{16}\\n") +
                                     QRegularExpression::escape(after) + QStringLiteral("\\z"));
    EXPECT_TRUE(pattern.match(url).hasMatch()) << url.toStdString();
}

TEST(PictureRequests, AddressesFromTheirTemplates) {
    ExpectTokenAddress(XiangcePictureListUrl(QStringLiteral("demo/2"), 100),
                       QStringLiteral("http://xiangce.baidu.com/picture/album/list/demo/2"
                                      "?format=json&size=100&pn=100&width=80&t="),
                       QStringLiteral("&resolution=1280"));
    EXPECT_EQ(XiangceVerifyUrl(QStringLiteral("demo/2")),
              QStringLiteral("http://xiangce.baidu.com/picture/album/list/demo/2"));
    // Percent escapes of a forum name stay as they are: nothing is substituted into them.
    ExpectTokenAddress(
        TiebaPictureListUrl(QStringLiteral("%E4%B8%AD%1%2"), QStringLiteral("1002"), 2),
        QStringLiteral("http://tieba.baidu.com/photo/g/bw/picture/list?kw=%E4%B8%AD%1%2"
                       "&alt=jview&rn=200&tid=1002&pn=2&ps=0&pe=200&wall_type=v&_="));
    EXPECT_EQ(TiebaPictureAddress(QStringLiteral("abc")),
              QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/abc.jpg"));
    EXPECT_EQ(TiebaPictureAddress(QString()),
              QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/.jpg"));
}

TEST(PictureRequests, GuideAddressOfAPost) {
    const QString query = QStringLiteral("&see_lz=1&from_page=0&alt=jview&next=50&prev=1&pic_id=");
    ExpectTokenAddress(
        TiebaGuideUrl(QStringLiteral("http://tieba.baidu.com/photo/p?kw=%1&tid=9"), QString()),
        QStringLiteral("http://tieba.baidu.com/photo/bw/picture/guide?kw=%1&tid=9") + query +
            QStringLiteral("&_="));
    ExpectTokenAddress(TiebaGuideUrl(QStringLiteral("https://tieba.baidu.com/photo/p?kw=a&tid=9"),
                                     QStringLiteral("p_1")),
                       QStringLiteral("https://tieba.baidu.com/photo/bw/picture/guide?kw=a&tid=9") +
                           query + QStringLiteral("p_1&_="));
    // Without "/photo/p" only the query is appended.
    ExpectTokenAddress(TiebaGuideUrl(QStringLiteral("http://x/y?z=1"), QStringLiteral("7")),
                       QStringLiteral("http://x/y?z=1") + query + QStringLiteral("7&_="));
}

TEST(XiangcePicturePage, FullSizeAddressOfAThumbnail) {
    const struct {
        const char* thumbnail;
        const char* address;
    } cases[] = {
        {"http://b.hiphotos.baidu.com/album/s%3D80/sign=5f1e/demo_2_000000.jpg",
         "http://b.hiphotos.baidu.com/album/pic/item/demo_2_000000.jpg"},
        // Only the text before the first "album" and from the last "/" survive.
        {"http://h/x/album/y/album/z.jpg", "http://h/x/album/pic/item/z.jpg"},
        {"http://album.host/a/b.jpg", "http://album/pic/item/b.jpg"},
        // No "album": the whole thumbnail is the head.
        {"http://h/x/y.jpg", "http://h/x/y.jpgalbum/pic/item/y.jpg"},
        // No "/": the whole thumbnail is the tail.
        {"albumpic.jpg", "album/pic/itemalbumpic.jpg"},
        {"pic.jpg", "pic.jpgalbum/pic/itempic.jpg"},
        {"", "album/pic/item"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(XiangceFullSizeAddress(QString::fromUtf8(c.thumbnail)),
                  QString::fromUtf8(c.address))
            << c.thumbnail;
    }
}

TEST(XiangcePicturePage, ReadsEntriesInOrder) {
    const QString page = QStringLiteral(
        R"({"errno":0,"data":{"list":[)"
        R"({"picture_id":"1","picture_name":"\u7167\u7247 1","img_src":"http:\/\/a.hiphotos.baidu.com\/album\/s%3D80\/sign=1\/p1.jpg","width":8},)"
        R"({"picture_id":"2","picture_name":"","img_src":"http:\/\/c.hiphotos.baidu.com\/album\/s%3D80\/p2.jpg"},)"
        R"({"picture_id":"3","picture_name":"no thumbnail","width":8},)"
        R"({"picture_id":"4","picture_name":"a\"b","img_src":"x\/album\/q.jpg"}],"total":4}})");
    const QList<PictureEntry> entries = ParseXiangcePicturePage(page, QStringLiteral("相册"));
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].address,
              QStringLiteral("http://a.hiphotos.baidu.com/album/pic/item/p1.jpg"));
    EXPECT_EQ(entries[0].description, QStringLiteral("照片 1"));
    EXPECT_EQ(entries[1].address,
              QStringLiteral("http://c.hiphotos.baidu.com/album/pic/item/p2.jpg"));
    EXPECT_EQ(entries[1].description, QStringLiteral("相册"));        // no name: the album's
    EXPECT_EQ(entries[2].address, QStringLiteral("album/pic/item"));  // still an entry
    EXPECT_EQ(entries[2].description, QStringLiteral("no thumbnail"));
    // An escaped quote ends the name early; the thumbnail is still found.
    EXPECT_EQ(entries[3].description, QStringLiteral("a\\"));
    EXPECT_EQ(entries[3].address, QStringLiteral("x/album/pic/item/q.jpg"));
}

TEST(XiangcePicturePage, PagesWithoutPictures) {
    for (const char* text :
         {R"({"errno":0,"data":{"list":[],"total":5}})", "<html>验证</html>", "picture_nam", ""}) {
        EXPECT_TRUE(ParseXiangcePicturePage(QString::fromUtf8(text), QStringLiteral("a")).isEmpty())
            << text;
    }
    // A marker with nothing after it is one entry of empty values.
    const QList<PictureEntry> cut = ParseXiangcePicturePage(QStringLiteral("picture_name"), {});
    ASSERT_EQ(cut.size(), 1);
    EXPECT_EQ(cut[0].address, QStringLiteral("album/pic/item"));
}

TEST(TiebaPicturePage, ReadsEntriesInOrder) {
    const QString page = QStringLiteral(
        R"({"no":0,"data":{"pic_amount":4,"pic_list":[)"
        R"({"pic_id":"demo_2_000000","width":800,"descr":"\u7167\u7247 1","pic_type":0},)"
        R"({"pic_id":"demo_2_000003","width":800,"descr":"","pic_type":0},)"
        R"({"pic_id":"","descr":"no id"},)"
        R"({"pic_id":"last","width":800}]}})");
    const QList<PictureEntry> entries = ParseTiebaPicturePage(page, QStringLiteral("春天的花"));
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].address,
              QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/demo_2_000000.jpg"));
    EXPECT_EQ(entries[0].id, QStringLiteral("demo_2_000000"));
    EXPECT_EQ(entries[0].description, QStringLiteral("照片 1"));
    EXPECT_EQ(entries[1].description, QStringLiteral("春天的花"));
    EXPECT_EQ(entries[2].address, QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/.jpg"));
    EXPECT_EQ(entries[2].description, QStringLiteral("no id"));
    EXPECT_EQ(entries[3].address,
              QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/last.jpg"));
    EXPECT_EQ(entries[3].description, QStringLiteral("春天的花"));  // no descr marker at all

    EXPECT_TRUE(ParseTiebaPicturePage(QStringLiteral(R"({"data":{"pic_list":[]}})"), {}).isEmpty());
    EXPECT_TRUE(ParseTiebaPicturePage(QStringLiteral("pic_id: 5"), {}).isEmpty());
}

// One guide entry as the service writes it.
QString GuideEntry(int index, const QString& id, const QString& descr) {
    return QStringLiteral(
               R"("#%1":{"img":{"original":{"id":"%2","width":800,"waterurl":"http:\/\/imgsrc.baidu.com\/forum\/pic\/item\/%2.jpg"}},"descr":"%3","pic_type":0})")
        .arg(QString::number(index), id, descr);
}

QString GuidePage(const QStringList& entries) {
    return QStringLiteral(R"({"no":0,"data":{"pic_amount":9,"pic_list":{)") +
           entries.join(QLatin1Char(',')) + QStringLiteral("}}}");
}

TEST(TiebaGuidePage, SkipsThePreviousPicture) {
    const QString page =
        GuidePage({GuideEntry(4, QStringLiteral("p4"), QStringLiteral("d4")),
                   GuideEntry(5, QStringLiteral("p5"), QString()),
                   GuideEntry(6, QStringLiteral("p6"), QStringLiteral(R"(\u4e2d)"))});
    const QString album = QStringLiteral("帖子");
    const struct {
        const char* lastPicId;
        QStringList ids;
    } cases[] = {
        {"", {"p4", "p5", "p6"}},    // first request: everything
        {"p4", {"p5", "p6"}},        // the previous picture is dropped
        {"p6", {}},                  // only the previous picture: the end
        {"p9", {"p4", "p5", "p6"}},  // not in the response: nothing skipped
    };
    for (const auto& c : cases) {
        const QList<PictureEntry> entries =
            ParseTiebaGuidePage(page, QString::fromUtf8(c.lastPicId), album);
        QStringList ids;
        for (const PictureEntry& entry : entries) {
            ids << entry.id;
            EXPECT_EQ(entry.address, QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/") +
                                         entry.id + QStringLiteral(".jpg"));
        }
        EXPECT_EQ(ids, c.ids) << c.lastPicId;
    }
    const QList<PictureEntry> all = ParseTiebaGuidePage(page, QString(), album);
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].description, QStringLiteral("d4"));
    EXPECT_EQ(all[1].description, album);  // empty descr
    EXPECT_EQ(all[2].description, QStringLiteral("中"));
}

TEST(TiebaGuidePage, EntriesWithMissingValues) {
    const QString page = GuidePage(
        {QStringLiteral(R"("#0":{"img":{"original":{"width":800}},"pic_type":0})"),
         QStringLiteral(R"("#1":{"img":{"original":{"id":"","waterurl":"http:\/\/h\/a.jpg"}}})")});
    const QList<PictureEntry> entries = ParseTiebaGuidePage(page, QString(), QStringLiteral("x"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0].id.isEmpty());
    EXPECT_TRUE(entries[0].address.isEmpty());
    EXPECT_EQ(entries[0].description, QStringLiteral("x"));
    EXPECT_TRUE(entries[1].id.isEmpty());
    EXPECT_EQ(entries[1].address, QStringLiteral("http://h/a.jpg"));
    EXPECT_TRUE(ParseTiebaGuidePage(GuidePage({}), QString(), {}).isEmpty());
    EXPECT_TRUE(ParseTiebaGuidePage(QString(), QStringLiteral("p1"), {}).isEmpty());
}

}  // namespace
