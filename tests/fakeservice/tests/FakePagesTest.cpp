// The fake service's pages, asked for without a network and read with the product's parsers and
// marker functions, so every page has the shape the listers cut their values from.

#include "fakeservice/AlbumServicePages.h"
#include "fakeservice/FakeAnswer.h"
#include "fakeservice/ForumPages.h"
#include "fakeservice/PictureHost.h"
#include "net/URLSource2.h"
#include "sources/Hosts.h"
#include "sources/TiebaAlbums.h"
#include "sources/TiebaPost.h"
#include "sources/XiangceAlbums.h"
#include "text/StringCtrl.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

namespace {

const QByteArray kAcceptGzip = "gzip, deflate";

FakeRequest RequestFor(const QString& url, const QByteArray& acceptEncoding = kAcceptGzip,
                       const QByteArray& cookie = {}) {
    const QByteArray bytes = url.toUtf8();
    const qsizetype hostStart = bytes.indexOf("://") + 3;
    const qsizetype pathStart = bytes.indexOf('/', hostStart);
    FakeRequest request;
    request.host = bytes.mid(hostStart, pathStart - hostStart);
    request.target = bytes.mid(pathStart);
    if (!acceptEncoding.isEmpty()) {
        request.headers.emplace_back("Accept-Encoding", acceptEncoding);
    }
    if (!cookie.isEmpty()) {
        request.headers.emplace_back("Cookie", cookie);
    }
    return request;
}

QByteArray HeaderOf(const FakeReply& reply, const QByteArray& name) {
    for (const auto& [key, value] : reply.headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

// The reply read as the product's fetcher reads a page (inflation, code page, entities).
QString PageText(const FakeReply& reply, unsigned textFlags = TEXT_INFLATE | TEXT_UTF8) {
    UrlResponse response;
    response.headers = QStringLiteral("HTTP/1.1 %1 X\r\n").arg(reply.status);
    for (const auto& [name, value] : reply.headers) {
        response.headers += QString::fromUtf8(name + ": " + value + "\r\n");
    }
    response.body = reply.body;
    response.isGzip = response.headers.contains(QLatin1String("gzip"));
    QString text;
    response.GetText(text, textFlags);
    return text;
}

QString Page(const QString& url, const QByteArray& cookie = {}) {
    return PageText(Answer(RequestFor(url, kAcceptGzip, cookie)));
}

QStringList Keys(const QList<ST_PERLISTRECORD>& albums) {
    QStringList keys;
    for (const ST_PERLISTRECORD& album : albums) {
        keys.append(album.strKey);
    }
    return keys;
}

struct ListedPicture {
    QString address;
    QString description;
};

// The album-service picture list of one album, page by page as its lister reads it.
QList<ListedPicture> ListAlbumServicePictures(const QString& sign, const QByteArray& cookie,
                                              int* pages = nullptr) {
    QList<ListedPicture> pictures;
    for (int offset = 0, page = 1; page < 100; ++page) {
        const QString url =
            XiangceHost() + QStringLiteral(
                                "/picture/album/list/%1?format=json&size=100&pn=%2&width="
                                "80&t=x&resolution=1280")
                                .arg(sign, QString::number(offset));
        QStringList pieces;
        const qsizetype found =
            SplitByMarker(Page(url, cookie), QStringLiteral("picture_name"), pieces);
        if (pages) {
            *pages = page;
        }
        if (found == 0) {
            break;
        }
        offset += static_cast<int>(found);
        for (qsizetype i = 1; i < pieces.size(); ++i) {
            QString& piece = pieces[i];
            ListedPicture picture;
            picture.description = UnescapeUnicode(
                ExtractBetween(piece, QStringLiteral("\":\""), QStringLiteral("\""), 1));
            QString thumbnail =
                ExtractBetween(piece, QStringLiteral("img_src\":\""), QStringLiteral("\""), 1);
            thumbnail.replace(QLatin1String("\\/"), QLatin1String("/"));
            QString head = thumbnail;
            CutAt(head, QStringLiteral("album"));
            picture.address = head + QStringLiteral("album/pic/item") +
                              thumbnail.mid(thumbnail.lastIndexOf(u'/'));
            pictures.append(picture);
        }
    }
    return pictures;
}

// One forum picture-list page: the ids and descriptions in page order.
QList<ListedPicture> ForumPicturePage(const QString& forum, qint64 tid, int page) {
    const QString url = TiebaHost() + QStringLiteral(
                                          "/photo/g/bw/picture/list?kw=%1&alt=jview&rn="
                                          "200&tid=%2&pn=%3&ps=0&pe=200&wall_type=v&_=x")
                                          .arg(forum, QString::number(tid), QString::number(page));
    QStringList pieces;
    SplitByMarker(Page(url), QStringLiteral("pic_id\""), pieces);
    QList<ListedPicture> pictures;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        ListedPicture picture;
        picture.address = ExtractBetween(piece, QStringLiteral("\""), QStringLiteral("\""), 1);
        picture.description = UnescapeUnicode(
            ExtractBetween(piece, QStringLiteral("descr\":\""), QStringLiteral("\""), 1));
        pictures.append(picture);
    }
    return pictures;
}

// One picture-guide batch after lastPicId, with the entries up to that id dropped as its lister
// does. The addresses are the "waterurl" values; ids go to `ids`.
QList<ListedPicture> GuideBatch(const QString& forum, qint64 tid, const QString& lastPicId,
                                QStringList& ids) {
    const QString url = TiebaHost() + QStringLiteral(
                                          "/photo/bw/picture/guide?kw=%1&tid=%2&see_lz=1&"
                                          "from_page=0&alt=jview&next=50&prev=1&pic_id="
                                          "%3&_=x")
                                          .arg(forum, QString::number(tid), lastPicId);
    QString text = Page(url);
    if (!lastPicId.isEmpty()) {
        SkipPast(text, lastPicId, true);
    }
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("\"img\":"), pieces);
    QList<ListedPicture> pictures;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        ids.append(ExtractBetween(piece, QStringLiteral("id\":\""), QStringLiteral("\""), 1));
        ListedPicture picture;
        picture.address =
            ExtractBetween(piece, QStringLiteral("waterurl\":\""), QStringLiteral("\""), 1)
                .replace(QLatin1String("\\/"), QLatin1String("/"));
        picture.description = UnescapeUnicode(
            ExtractBetween(piece, QStringLiteral("descr\":\""), QStringLiteral("\""), 1));
        pictures.append(picture);
    }
    return pictures;
}

bool IsJpegReply(const FakeReply& reply) {
    return reply.status == 200 && reply.fault == FakeFault::None &&
           reply.body.startsWith("\xFF\xD8\xFF\xE0") && reply.body.endsWith("\xFF\xD9");
}

TEST(FakeAlbumService, HomePageCarriesTheMobileAlbumsBeforeTheFeedbackTail) {
    const FakeReply reply = Answer(RequestFor(XiangceHomeUrl(QStringLiteral("demo"))));
    EXPECT_EQ(HeaderOf(reply, "Content-Encoding"), "gzip");
    const QString text = PageText(reply);
    const QList<ST_PERLISTRECORD> albums = ParseXiangceHomePage(text);
    ASSERT_EQ(albums.size(), 1);
    EXPECT_EQ(albums[0].strName, QStringLiteral("手机相册"));
    EXPECT_EQ(albums[0].strKey, QStringLiteral("demo/1"));
    EXPECT_EQ(albums[0].nPicCount, 3);
    EXPECT_TRUE(albums[0].strCover.endsWith(QLatin1String("\\/demo_1_000000.jpg")));
    // Reading that stops at the feedback element leaves a long tail unread.
    const qsizetype feedback = text.indexOf(QLatin1String("id=\"feedback\""));
    ASSERT_GT(feedback, text.indexOf(QLatin1String("userAlbumList")));
    EXPECT_GT(text.size() - feedback, 16 * 1024);
    EXPECT_TRUE(text.mid(feedback).contains(QLatin1String("feedback-tail")));
    EXPECT_FALSE(text.left(feedback).contains(QLatin1String("feedback-tail")));

    EXPECT_TRUE(ParseXiangceHomePage(Page(XiangceHomeUrl(QStringLiteral("gen-5x2")))).isEmpty());
}

TEST(FakeAlbumService, DemoAlbumListHoldsTheTroublesomeNames) {
    const QList<ST_PERLISTRECORD> albums =
        ParseXiangceAlbumPage(Page(XiangceAlbumListUrl(QStringLiteral("demo"), QString())));
    QStringList names;
    QList<int> counts;
    for (const ST_PERLISTRECORD& album : albums) {
        names.append(album.strName);
        counts.append(album.nPicCount);
    }
    EXPECT_EQ(names, QStringList({QStringLiteral("春天的花"), QStringLiteral("Tom & Jerry"),
                                  QStringLiteral("旅行"), QStringLiteral("旅行"),
                                  QStringLiteral("../上级/目录"), QStringLiteral("空相册"),
                                  QStringLiteral("大相册")}));
    EXPECT_EQ(counts, QList<int>({12, 5, 7, 2, 4, 0, 250}));
    EXPECT_EQ(albums[0].strKey, QStringLiteral("demo/2"));
    EXPECT_TRUE(albums[0].strCover.startsWith(QLatin1String("http:\\/\\/")));
}

TEST(FakeAlbumService, AlbumListContinuesAfterTheLastSign) {
    struct Case {
        const char* user;
        const char* lastSign;
        int count;
        const char* firstKey;
        const char* lastKey;
    };
    const Case cases[] = {
        {"demo", "demo/4", 4, "demo/5", "demo/8"},
        {"demo", "demo/8", 0, "", ""},
        {"gen-2500x1", "", 2000, "gen-2500x1/1", "gen-2500x1/2000"},
        {"gen-2500x1", "gen-2500x1/2000", 500, "gen-2500x1/2001", "gen-2500x1/2500"},
        {"gen-2500x1", "gen-2500x1/2500", 0, "", ""},
        {"repeat", "", 45, "repeat/1", "repeat/45"},
        {"repeat", "repeat/45", 45, "repeat/1", "repeat/45"},  // the last page again
        {"private", "", 2, "private/1", "private/2"},
        {"nobody", "", 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " after " + c.lastSign);
        const QStringList keys = Keys(ParseXiangceAlbumPage(
            Page(XiangceAlbumListUrl(QString::fromUtf8(c.user), QString::fromUtf8(c.lastSign)))));
        ASSERT_EQ(keys.size(), c.count);
        if (c.count > 0) {
            EXPECT_EQ(keys.first(), QString::fromUtf8(c.firstKey));
            EXPECT_EQ(keys.last(), QString::fromUtf8(c.lastKey));
        }
    }
}

TEST(FakeAlbumService, PictureListLeadsToServedPictures) {
    int pages = 0;
    const QList<ListedPicture> pictures =
        ListAlbumServicePictures(QStringLiteral("demo/8"), {}, &pages);
    ASSERT_EQ(pictures.size(), 250);
    EXPECT_EQ(pages, 4);  // 100 + 100 + 50, then a page without pictures
    QSet<QString> addresses;
    for (const ListedPicture& picture : pictures) {
        addresses.insert(picture.address);
    }
    EXPECT_EQ(addresses.size(), 250);
    EXPECT_TRUE(pictures[0].address.endsWith(
        QLatin1String(".hiphotos.baidu.com/album/pic/item/demo_8_000000.jpg")));
    EXPECT_EQ(pictures[0].description, QStringLiteral("照片 1"));
    EXPECT_TRUE(pictures[3].description.isEmpty());
    const FakeReply picture = Answer(RequestFor(pictures[249].address));
    EXPECT_TRUE(IsJpegReply(picture));
    EXPECT_TRUE(HeaderOf(picture, "Content-Encoding").isEmpty());  // pictures are never gzipped
}

TEST(FakeAlbumService, RepeatingPictureListAnswersItsLastPageForEver) {
    const QString beyond = XiangceHost() + QStringLiteral(
                                               "/picture/album/list/repeat/1?format=json&size=100&"
                                               "pn=%1&width=80&t=x&resolution=1280");
    const QString lastPage = Page(beyond.arg(100));
    EXPECT_EQ(CountOccurrences(lastPage, QStringLiteral("picture_name")), 20);
    EXPECT_EQ(Page(beyond.arg(120)), lastPage);
    EXPECT_EQ(Page(beyond.arg(5000)), lastPage);
}

TEST(FakeAlbumService, PrivateAlbumListsPicturesOnlyAfterVerification) {
    EXPECT_EQ(ListAlbumServicePictures(QStringLiteral("private/1"), {}).size(), 3);
    EXPECT_EQ(ListAlbumServicePictures(QStringLiteral("private/2"), {}).size(), 0);
    EXPECT_EQ(ListAlbumServicePictures(QStringLiteral("private/2"), "a=b; verified=1").size(), 5);

    const FakeReply login = Answer(RequestFor(XiangceHost() + QStringLiteral("/login")));
    EXPECT_EQ(login.status, 200);
    EXPECT_EQ(HeaderOf(login, "Set-Cookie"), "verified=1; Path=/");
    // The address the verification opens in a browser is an HTML page leading to the login.
    const QString browser = Page(XiangceHost() + QStringLiteral("/picture/album/list/private/2"));
    EXPECT_TRUE(browser.contains(QLatin1String("href=\"/login\"")));
}

TEST(FakeForum, WallPagesHoldThirtyTiles) {
    struct Case {
        const char* forum;
        int page;
        int count;
        const char* firstKey;
    };
    const Case cases[] = {
        {"demo", 1, 8, "1001"},      {"demo", 2, 0, ""},     {"gen-45x2", 1, 30, "1001"},
        {"gen-45x2", 2, 15, "1031"}, {"gen-45x2", 3, 0, ""}, {"repeat", 2, 15, "1031"},
        {"repeat", 9, 15, "1031"},  // the last page again
        {"nobody", 1, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.forum) + " page " + std::to_string(c.page));
        const QStringList keys =
            Keys(ParseTiebaAlbumPage(Page(TiebaAlbumWallUrl(QString::fromUtf8(c.forum), c.page))));
        ASSERT_EQ(keys.size(), c.count);
        if (c.count > 0) {
            EXPECT_EQ(keys.first(), QString::fromUtf8(c.firstKey));
        }
    }

    const QList<ST_PERLISTRECORD> demo =
        ParseTiebaAlbumPage(Page(TiebaAlbumWallUrl(QStringLiteral("demo"), 1)));
    ASSERT_EQ(demo.size(), 8);
    EXPECT_EQ(demo[0].strName, QStringLiteral("手机相册"));
    EXPECT_EQ(demo[0].strCover,
              QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/cover1001.jpg"));
    EXPECT_EQ(demo[2].strName, QStringLiteral("Tom & Jerry"));
    EXPECT_EQ(demo[5].strName, QStringLiteral("../上级/目录"));
    EXPECT_EQ(demo[7].nPicCount, 250);
}

TEST(FakeForum, PictureListPagesHoldTwoHundredPictures) {
    const QList<ListedPicture> first = ForumPicturePage(QStringLiteral("demo"), 1008, 1);
    const QList<ListedPicture> second = ForumPicturePage(QStringLiteral("demo"), 1008, 2);
    ASSERT_EQ(first.size(), 200);
    ASSERT_EQ(second.size(), 50);
    EXPECT_TRUE(ForumPicturePage(QStringLiteral("demo"), 1008, 3).isEmpty());
    EXPECT_EQ(first[0].address, QStringLiteral("demo_8_000000"));
    EXPECT_EQ(second[49].address, QStringLiteral("demo_8_000249"));
    EXPECT_EQ(first[2].description, QStringLiteral("照片 3"));
    EXPECT_TRUE(first[3].description.isEmpty());
    EXPECT_TRUE(
        IsJpegReply(Answer(RequestFor(QString::fromUtf8(ForumPictureUrl(first[0].address))))));

    // A large generated album costs only the page asked for.
    const QList<ListedPicture> deep = ForumPicturePage(QStringLiteral("gen-1x50000"), 1001, 250);
    ASSERT_EQ(deep.size(), 200);
    EXPECT_EQ(deep[199].address, QStringLiteral("gen-1x50000_1_049999"));

    const QList<ListedPicture> repeated = ForumPicturePage(QStringLiteral("repeat"), 1001, 7);
    ASSERT_EQ(repeated.size(), 120);
    EXPECT_EQ(repeated[0].address, QStringLiteral("repeat_1_000000"));
}

TEST(FakeForum, PostPageIsGbkWithItsTitle) {
    const FakeReply reply =
        Answer(RequestFor(TiebaHost() + QStringLiteral("/photo/p?kw=demo&tid=1001"), QByteArray()));
    EXPECT_EQ(HeaderOf(reply, "Content-Type"), "text/html; charset=GBK");
    EXPECT_FALSE(IsUtf8Text(reply.body));
    const QString address = TiebaHost() + QStringLiteral("/photo/p?kw=demo&tid=1001");
    EXPECT_EQ(ParseTiebaPostPage(PageText(reply, TEXT_INFLATE), address).strName,
              QStringLiteral("手机相册"));
    EXPECT_EQ(ParseTiebaPostPage(Page(TiebaHost() + QStringLiteral("/photo/p?kw=gen-3x7&tid=1003")),
                                 address)
                  .strName,
              QStringLiteral("相册 3"));
    EXPECT_TRUE(
        ParseTiebaPostPage(Page(TiebaHost() + QStringLiteral("/photo/p?kw=demo&tid=77")), address)
            .strName.isEmpty());
}

TEST(FakeForum, GuideBatchesWalkThePostOnce) {
    QStringList ids;
    QList<ListedPicture> pictures;
    int batches = 0;
    for (QString last;; ++batches) {
        ASSERT_LT(batches, 20);
        const qsizetype before = ids.size();
        pictures += GuideBatch(QStringLiteral("demo"), 1008, last, ids);
        if (ids.size() == before) {
            break;
        }
        last = ids.last();
    }
    EXPECT_EQ(batches, 5);  // 5 x 50; the sixth holds only the picture asked about
    ASSERT_EQ(ids.size(), 250);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 250);
    EXPECT_EQ(ids[0], QStringLiteral("demo_8_000000"));
    EXPECT_EQ(pictures[249].address,
              QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/demo_8_000249.jpg"));
    EXPECT_TRUE(pictures[3].description.isEmpty());
    EXPECT_EQ(pictures[4].description, QStringLiteral("照片 5"));

    // The repeating forum's guide wraps around after the last picture.
    QStringList wrapped;
    GuideBatch(QStringLiteral("repeat"), 1001, QStringLiteral("repeat_1_000119"), wrapped);
    ASSERT_EQ(wrapped.size(), 50);
    EXPECT_EQ(wrapped[0], QStringLiteral("repeat_1_000000"));
}

TEST(FakePictures, IdSpellingChoosesTheAnswer) {
    struct Case {
        const char* id;
        int status;
        FakeFault fault;
        QByteArray magic;
        qsizetype size;
    };
    const Case cases[] = {
        {"a_1_000001", 200, FakeFault::None, "\xFF\xD8\xFF", 4096},
        {"a_1_000001-png", 200, FakeFault::None, "\x89PNG", 4096},
        {"a_1_000001-gif", 200, FakeFault::None, "GIF89a", 4096},
        {"a_1_000001-bmp", 200, FakeFault::None, "BM", 4096},
        {"a_1_000001-b70000", 200, FakeFault::None, "\xFF\xD8\xFF", 70000},
        {"a_1_000001-png-b300", 200, FakeFault::None, "\x89PNG", 300},
        {"a_1_000001-missing", 404, FakeFault::None, "<html>", -1},
        {"a_1_000001-busy", 503, FakeFault::None, "<html>", -1},
        {"a_1_000001-reset", 200, FakeFault::ResetMidBody, "\xFF\xD8\xFF", 4096},
        {"a_1_000001-short", 200, FakeFault::ShortBody, "\xFF\xD8\xFF", 4096},
        {"a_1_000001-stall", 200, FakeFault::StallMidBody, "\xFF\xD8\xFF", 4096},
        {"a_1_000001-stallhead", 200, FakeFault::StallBeforeHeaders, "\xFF\xD8\xFF", 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const FakeReply reply = Answer(
            RequestFor(QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/%1.jpg").arg(c.id)));
        EXPECT_EQ(reply.kind, FakePathKind::ForumPicture);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.fault, c.fault);
        EXPECT_TRUE(reply.body.startsWith(c.magic));
        if (c.size >= 0) {
            EXPECT_EQ(reply.body.size(), c.size);
        }
        if (c.fault == FakeFault::ResetMidBody || c.fault == FakeFault::ShortBody ||
            c.fault == FakeFault::StallMidBody) {
            EXPECT_GT(reply.faultAfter, 0);
            EXPECT_LT(reply.faultAfter, reply.body.size());
        }
    }
    EXPECT_EQ(
        HeaderOf(
            Answer(RequestFor(QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/x-busy.jpg"))),
            "Retry-After"),
        "1");
}

TEST(FakePictures, BytesAreFixedPerIdAndSizeIsConfigurable) {
    FakeOptions options;
    options.pictureBytes = 65536;
    const QString url =
        QStringLiteral("http://b.hiphotos.baidu.com/album/pic/item/demo_2_000001.jpg");
    const FakeReply first = Answer(RequestFor(url), options);
    EXPECT_EQ(first.kind, FakePathKind::AlbumPicture);
    EXPECT_TRUE(IsJpegReply(first));
    EXPECT_EQ(first.body.size(), 65536);
    EXPECT_EQ(Answer(RequestFor(url), options).body, first.body);
    EXPECT_EQ(first.body,
              PictureBytes(QStringLiteral("demo_2_000001"), PictureVariant::Jpeg, 65536));
    EXPECT_NE(PictureBytes(QStringLiteral("demo_2_000002"), PictureVariant::Jpeg, 65536),
              first.body);
}

TEST(FakeAnswer, GzipOnlyForPagesThatAcceptIt) {
    struct Case {
        const char* url;
        QByteArray acceptEncoding;
        bool gzipOption;
        bool gzipped;
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=demo&pn=1", "gzip, deflate", true, true},
        {"http://tieba.baidu.com/photo/g?kw=demo&pn=1", "", true, false},
        {"http://tieba.baidu.com/photo/g?kw=demo&pn=1", "gzip, deflate", false, false},
        {"http://imgsrc.baidu.com/forum/pic/item/a.jpg", "gzip, deflate", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        FakeOptions options;
        options.gzip = c.gzipOption;
        const FakeReply reply =
            Answer(RequestFor(QString::fromUtf8(c.url), c.acceptEncoding), options);
        EXPECT_EQ(HeaderOf(reply, "Content-Encoding") == "gzip", c.gzipped);
        EXPECT_EQ(reply.body.startsWith("\x1F\x8B"), c.gzipped);
    }
}

TEST(FakeAnswer, UnknownHostsAndPathsAreNotFound) {
    for (const char* url :
         {"http://example.com/u/demo", "http://xiangce.baidu.com/nothing",
          "http://tieba.baidu.com/f?kw=demo", "http://imgsrc.baidu.com/forum/pic/item/a.png",
          "http://a.hiphotos.evil.com/album/pic/item/a.jpg"}) {
        SCOPED_TRACE(url);
        const FakeReply reply = Answer(RequestFor(QString::fromUtf8(url), QByteArray()));
        EXPECT_EQ(reply.kind, FakePathKind::Unknown);
        EXPECT_EQ(reply.status, 404);
        EXPECT_TRUE(reply.body.startsWith("<html>"));
    }
}

}  // namespace
