// The picture listers end to end against the fake service, through http_proxy: the album is
// listed first, then its pictures go into the download batch as the download job would have them.

#include "fakeservice/FakeText.h"
#include "net/CookieShare.h"
#include "net/URLSource2.h"
#include "sources/PageFetch.h"
#include "sources/PictureListers.h"
#include "sources/XiangcePictures.h"
#include "support/HarvestFixture.h"

#include <QRegularExpression>
#include <QSet>

#include <functional>
#include <optional>

namespace {

const QString kQuestion =
    QStringLiteral("question: 提示: 为非公开相册,是否进行验证？\n\n验证成功后请手动关闭验证框");

// Collects what a lister hands over; asks for the verification as the download job does; can
// refuse further pictures after some.
class CollectingSink : public PictureSink {
public:
    explicit CollectingSink(HarvestView& view) : view_(view) {}
    bool AddPicture(const PictureEntry& entry) override {
        entries.append(entry);
        return stopAfter < 0 || entries.size() < stopAfter;
    }
    bool VerifyAlbum(const QString& albumKey) override {
        if (!view_.AskYesNo(
                QStringLiteral("为非公开相册,是否进行验证？\n\n验证成功后请手动关闭验证框"),
                QStringLiteral("提示"))) {
            return false;
        }
        view_.RequestLogin(XiangceVerifyUrl(albumKey));
        return true;
    }
    QList<PictureEntry> entries;
    qsizetype stopAfter = -1;

private:
    HarvestView& view_;
};

class PictureLister : public HarvestFixture {
protected:
    void SetUp() override { CookieShare::ClearCookies(); }
    void TearDown() override { CookieShare::ClearCookies(); }

    // Lists the albums of the address, then the requests of one album's listing are counted.
    void ListAlbums(const QString& address) {
        List(address);
        ASSERT_GT(harvest->albums.size(), 0) << address.toStdString();
        service.resetCounters();
        firstRequest_ = static_cast<int>(service.server().requests().size());
        sink.entries.clear();
    }
    // Lists the pictures of album `index` of the listing as the download job's lister does.
    ListingResult ListPicturesOf(int index) {
        const std::unique_ptr<PictureCursor> cursor = MakePictureCursor(
            harvest->nListType.load(), harvest->albums.at(index), harvest->ForumName());
        return ListPictures(*cursor, sink);
    }

    // The query value `key` of every request since ListAlbums whose path is `path`, in order.
    QStringList Queries(const QByteArray& path, const QByteArray& key) {
        QStringList values;
        const std::vector<HttpRequest> requests = service.server().requests();
        for (size_t i = static_cast<size_t>(firstRequest_); i < requests.size(); ++i) {
            if (fake::TargetPath(requests[i].path) == path) {
                values << QString::fromUtf8(fake::QueryValue(requests[i].path, key));
            }
        }
        return values;
    }

    // The whole target of every request since ListAlbums, as it went out.
    QStringList Targets() {
        QStringList targets;
        const std::vector<HttpRequest> requests = service.server().requests();
        for (size_t i = static_cast<size_t>(firstRequest_); i < requests.size(); ++i) {
            targets << QString::fromUtf8(requests[i].target);
        }
        return targets;
    }

    QStringList Addresses() const {
        QStringList addresses;
        for (const PictureEntry& entry : sink.entries) {
            addresses << entry.address;
        }
        return addresses;
    }

    CollectingSink sink{view};

private:
    int firstRequest_ = 0;
};

QString ForumPicture(const QString& id) {
    return QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/") + id + QStringLiteral(".jpg");
}

QString PictureId(const char* set, int album, int picture) {
    return QStringLiteral("%1_%2_%3")
        .arg(QString::fromUtf8(set), QString::number(album),
             QStringLiteral("%1").arg(picture, 6, 10, QLatin1Char('0')));
}

TEST_F(PictureLister, ForumAlbumFromItsFirstPage) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    EXPECT_EQ(ListPicturesOf(1).end, ListingEnd::Complete);  // 春天的花, thread 1002

    ASSERT_EQ(Addresses().size(), 12);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(Addresses()[k], ForumPicture(PictureId("demo", 2, k)));
        EXPECT_EQ(sink.entries[k].id, PictureId("demo", 2, k));
    }
    // The descriptions; a picture without one takes the album's name.
    EXPECT_EQ(sink.entries[0].description, QStringLiteral("照片 1"));
    EXPECT_EQ(sink.entries[3].description, QStringLiteral("春天的花"));

    // The first page and the empty one after it.
    const QByteArray list = "/photo/g/bw/picture/list";
    EXPECT_EQ(Queries(list, "pn"), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(Queries(list, "kw"), (QStringList{QStringLiteral("demo"), QStringLiteral("demo")}));
    EXPECT_EQ(Queries(list, "tid").value(0), QStringLiteral("1002"));
    EXPECT_EQ(Queries(list, "rn").value(0), QStringLiteral("200"));
    EXPECT_TRUE(Targets().first().contains(QRegularExpression(QStringLiteral(
        R"(\Ahttp://tieba\.baidu\.com/photo/g/bw/picture/list\?kw=demo&alt=jview&rn=200)"
        R"(&tid=1002&pn=1&ps=0&pe=200&wall_type=v&_=0\.\d{16}%0A\z)"))))
        << Targets().first().toStdString();
}

TEST_F(PictureLister, ForumAlbumPagesOf200) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-1x450"));
    ListPicturesOf(0);

    ASSERT_EQ(Addresses().size(), 450);
    EXPECT_EQ(Addresses()[200], ForumPicture(PictureId("gen-1x450", 1, 200)));
    EXPECT_EQ(Addresses()[449], ForumPicture(PictureId("gen-1x450", 1, 449)));
    const QByteArray list = "/photo/g/bw/picture/list";
    EXPECT_EQ(Queries(list, "pn"), (QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                QStringLiteral("3"), QStringLiteral("4")}));
    // "ps" and "pe" stay the same on every page.
    EXPECT_EQ(Queries(list, "ps"), QStringList(4, QStringLiteral("0")));
    EXPECT_EQ(Queries(list, "pe"), QStringList(4, QStringLiteral("200")));
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPictureList), 4);
}

TEST_F(PictureLister, PostBatchesContinueAfterTheLastPicture) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/p?kw=gen-1x120&tid=1001"));
    ListPicturesOf(0);

    ASSERT_EQ(Addresses().size(), 120);
    for (int k = 0; k < 120; ++k) {
        EXPECT_EQ(Addresses()[k], ForumPicture(PictureId("gen-1x120", 1, k))) << k;
    }
    // Batches of 50 with the previous picture first; the last batch holds only the previous
    // picture and ends the listing.
    const QByteArray guide = "/photo/bw/picture/guide";
    EXPECT_EQ(Queries(guide, "pic_id"),
              (QStringList{QString(), PictureId("gen-1x120", 1, 49), PictureId("gen-1x120", 1, 99),
                           PictureId("gen-1x120", 1, 119)}));
    EXPECT_EQ(Queries(guide, "tid"), QStringList(4, QStringLiteral("1001")));
    EXPECT_EQ(Queries(guide, "prev"), QStringList(4, QStringLiteral("1")));
    EXPECT_EQ(Queries(guide, "next"), QStringList(4, QStringLiteral("50")));
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPost), 0);
}

TEST_F(PictureLister, AlbumServicePagesStepByThePicturesFound) {
    ListAlbums(QStringLiteral("http://xiangce.baidu.com/u/gen-1x250"));
    ListPicturesOf(0);

    ASSERT_EQ(Addresses().size(), 250);
    const QRegularExpression fullSize(
        QStringLiteral(R"(\Ahttp://[a-d]\.hiphotos\.baidu\.com/album/pic/item/(.+)\.jpg\z)"));
    for (int k = 0; k < 250; ++k) {
        const QRegularExpressionMatch match = fullSize.match(Addresses()[k]);
        ASSERT_TRUE(match.hasMatch()) << Addresses()[k].toStdString();
        EXPECT_EQ(match.captured(1), PictureId("gen-1x250", 1, k));
    }
    const QByteArray list = "/picture/album/list/gen-1x250/1";
    EXPECT_EQ(Queries(list, "pn"), (QStringList{QStringLiteral("0"), QStringLiteral("100"),
                                                QStringLiteral("200"), QStringLiteral("250")}));
    EXPECT_EQ(Queries(list, "format"), QStringList(4, QStringLiteral("json")));
    EXPECT_TRUE(Targets().first().contains(QRegularExpression(QStringLiteral(
        R"(\Ahttp://xiangce\.baidu\.com/picture/album/list/gen-1x250/1\?format=json&size=100)"
        R"(&pn=0&width=80&t=0\.\d{16}%0A&resolution=1280\z)"))))
        << Targets().first().toStdString();
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("question:")).isEmpty());
}

TEST_F(PictureLister, EmptyPublicAlbumEndsWithoutAQuestion) {
    ListAlbums(QStringLiteral("http://xiangce.baidu.com/u/demo"));
    ASSERT_EQ(harvest->albums.at(6).strName, QStringLiteral("空相册"));
    view.answerYes = true;
    ListPicturesOf(6);
    EXPECT_TRUE(Addresses().isEmpty());
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("question:")).isEmpty());
    EXPECT_EQ(service.requestCount(FakePathKind::AlbumPictureList), 1);
}

TEST_F(PictureLister, PrivateAlbumAnsweredNo) {
    ListAlbums(QStringLiteral("http://xiangce.baidu.com/u/private"));
    view.answerYes = false;
    ListPicturesOf(1);  // 私密相册
    EXPECT_TRUE(Addresses().isEmpty());
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("question:")), QStringList{kQuestion});
    EXPECT_TRUE(view.EventsStartingWith(QStringLiteral("login:")).isEmpty());
    EXPECT_EQ(service.requestCount(FakePathKind::AlbumPictureList), 1);
}

TEST_F(PictureLister, PrivateAlbumListedAfterTheVerification) {
    ListAlbums(QStringLiteral("http://xiangce.baidu.com/u/private"));
    view.answerYes = true;
    // The login window's pages set their cookies in the shared store.
    view.onLogin = [](const QString&) {
        UrlResponse response;
        EXPECT_TRUE(
            FetchUrl(UrlRequest(QStringLiteral("http://xiangce.baidu.com/login")), response, 0));
    };
    ListPicturesOf(1);

    ASSERT_EQ(Addresses().size(), 5);
    EXPECT_TRUE(Addresses()[4].endsWith(QStringLiteral("/album/pic/item/private_2_000004.jpg")));
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("question:")), QStringList{kQuestion});
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("login:")),
              QStringList{
                  QStringLiteral("login: http://xiangce.baidu.com/picture/album/list/private/2")});
    // The first page again after the login, then the empty page after the pictures.
    EXPECT_EQ(Queries("/picture/album/list/private/2", "pn"),
              (QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("5")}));
}

TEST_F(PictureLister, PrivateAlbumStillEmptyIsNotAskedAgain) {
    ListAlbums(QStringLiteral("http://xiangce.baidu.com/u/private"));
    view.answerYes = true;  // but the login window is closed without verifying
    ListPicturesOf(1);
    EXPECT_TRUE(Addresses().isEmpty());
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("question:")).size(), 1);
    EXPECT_EQ(view.EventsStartingWith(QStringLiteral("login:")).size(), 1);
    EXPECT_EQ(service.requestCount(FakePathKind::AlbumPictureList), 2);
}

TEST_F(PictureLister, RepeatingServicesEnd) {
    struct Case {
        const char* address;
        FakePathKind kind;
        int requests;
        int handedOver;
    };
    const Case cases[] = {
        // The second page repeats the first (all 120): nothing new, the end.
        {"http://tieba.baidu.com/photo/g?kw=repeat", FakePathKind::ForumPictureList, 2, 120},
        // Offsets 0 and 100, then offset 120 answers the page at 100 again.
        {"http://xiangce.baidu.com/u/repeat", FakePathKind::AlbumPictureList, 3, 120},
        // The guide wraps around: the third batch brings 20 new pictures and 30 from the start,
        // handed over with them; the fourth brings nothing new.
        {"http://tieba.baidu.com/photo/p?kw=repeat&tid=1001", FakePathKind::ForumGuide, 4, 150},
    };
    for (const Case& c : cases) {
        ListAlbums(QString::fromUtf8(c.address));
        ListPicturesOf(0);
        EXPECT_EQ(service.requestCount(c.kind), c.requests) << c.address;
        const QStringList addresses = Addresses();
        EXPECT_EQ(addresses.size(), c.handedOver) << c.address;
        EXPECT_EQ(QSet<QString>(addresses.begin(), addresses.end()).size(), 120) << c.address;
    }
}

TEST_F(PictureLister, SinkEndsTheListingAfterTheCurrentPicture) {
    struct Case {
        const char* address;
        FakePathKind kind;
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=gen-1x450", FakePathKind::ForumPictureList},
        {"http://xiangce.baidu.com/u/gen-1x250", FakePathKind::AlbumPictureList},
        {"http://tieba.baidu.com/photo/p?kw=gen-1x120&tid=1001", FakePathKind::ForumGuide},
    };
    for (const Case& c : cases) {
        ListAlbums(QString::fromUtf8(c.address));
        // The sink (the skip rule, or a stop) refuses more after the second picture.
        sink.stopAfter = 2;
        ListPicturesOf(0);
        EXPECT_EQ(Addresses().size(), 2) << c.address;
        EXPECT_EQ(service.requestCount(c.kind), 1) << c.address;
    }
}

TEST_F(PictureLister, FailedFetchKeepsWhatWasListedAndSaysWhy) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-1x450"));
    // After the first page the service becomes unreachable.
    QString closedProxy;
    {
        FakeService gone;
        closedProxy = gone.proxyUrl();
    }
    const std::unique_ptr<PictureCursor> cursor =
        MakePictureCursor(harvest->nListType.load(), harvest->albums.at(0), harvest->ForumName());
    const PageText first = FetchListPage(cursor->NextRequest(), cursor->TextFlags(), 0, {});
    ASSERT_TRUE(first.ok);
    ASSERT_TRUE(cursor->TakePage(first.text, sink));
    PageText second;
    {
        HttpProxyGuard unreachable(closedProxy);
        second = FetchListPage(cursor->NextRequest(), cursor->TextFlags(), 0, {});
    }
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.failure.kind, FetchError::Refused);
    EXPECT_EQ(second.failure.Host(), QStringLiteral("tieba.baidu.com"));
    EXPECT_EQ(Addresses().size(), 200);
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPictureList), 1);
}

}  // namespace
