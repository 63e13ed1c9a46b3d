#include "fakeservice/AlbumServicePages.h"

#include "fakeservice/FakeData.h"
#include "fakeservice/FakeText.h"

#include <QByteArrayList>

#include <algorithm>

using namespace fake;

namespace {

constexpr qint64 kFirstCreateTime = 1380000000;

FakeReply HtmlReply(const QByteArray& html) {
    FakeReply reply;
    reply.setHeader("Content-Type", "text/html; charset=utf-8");
    reply.body = html;
    return reply;
}

FakeReply JsonReply(const QByteArray& json) {
    FakeReply reply;
    reply.setHeader("Content-Type", "application/json; charset=utf-8");
    reply.body = json;
    return reply;
}

QByteArray CoverUrl(const FakeDataSet& set, int albumIndex) {
    if (set.album(albumIndex).pictureCount == 0) {
        return {};
    }
    return AlbumThumbnailUrl(set.picture(albumIndex, 0).id, 200);
}

// One album of the home page's mobile-album data: every value a quoted string.
QByteArray HomeEntry(const FakeDataSet& set, int index) {
    const FakeAlbum album = set.album(index);
    return "{\"create_time\":\"" + QByteArray::number(kFirstCreateTime + index * 86400) +
           "\",\"album_name\":\"" + JsonText(album.name) + "\",\"album_sign\":\"" +
           JsonUrl(album.sign.toUtf8()) + "\",\"album_picture_total\":\"" +
           QByteArray::number(album.pictureCount) + "\",\"picture_cover\":\"" +
           JsonUrl(CoverUrl(set, index)) + "\",\"album_type\":\"0\"}";
}

// One album of the JSON album list: the cover first, the count a bare number.
QByteArray ListEntry(const FakeDataSet& set, int index) {
    const FakeAlbum album = set.album(index);
    return "{\"picture_cover\":\"" + JsonUrl(CoverUrl(set, index)) + "\",\"album_name\":\"" +
           JsonText(album.name) + "\",\"album_sign\":\"" + JsonUrl(album.sign.toUtf8()) +
           "\",\"picture_total\":" + QByteArray::number(album.pictureCount) +
           ",\"create_time\":" + QByteArray::number(kFirstCreateTime + index * 86400) +
           ",\"album_type\":0}";
}

// Where the page of `size` entries that holds the last of `count` entries starts.
qint64 LastPageStart(qint64 first, qint64 count, qint64 size) {
    return count > first ? first + (count - first - 1) / size * size : first;
}

}  // namespace

QByteArray AlbumThumbnailUrl(const QString& file, int width) {
    const quint64 hash = TextHash(file);
    const char host = static_cast<char>('a' + hash % 4);
    return "http://" + QByteArray(1, host) + ".hiphotos.baidu.com/album/s%3D" +
           QByteArray::number(width) +
           "/sign=" + QByteArray::number(static_cast<quint32>(hash >> 16), 16) + "/" +
           file.toUtf8() + ".jpg";
}

FakeReply AlbumHomePage(const QString& user) {
    const FakeDataSet set = FakeDataSet::ByName(user);
    QByteArrayList entries;
    for (int i = 0; i < set.homeAlbumCount(); ++i) {
        entries.append(HomeEntry(set, i));
    }
    const QByteArray name = user.toHtmlEscaped().toUtf8();
    QByteArray html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + name +
                      "的相册</title></head>\n<body><div id=\"page\"></div>\n<script>\n"
                      "var PageData = {user: {\"user_name\":\"" +
                      JsonText(user) + "\"}, mobileAlbum: {\"album_list\":[" + entries.join(',') +
                      "]}, userAlbumList: {\"total\":\"" +
                      QByteArray::number(set.albumCount() - set.homeAlbumCount()) +
                      "\",\"size\":\"2000\"}};\n</script>\n"
                      "<div id=\"feedback\"><a href=\"/feedback\">意见反馈</a></div>\n";
    // The tail that a reader stopping at the feedback element never needs.
    html += QByteArray("<p class=\"feedback-tail\">feedback-tail filler text</p>\n").repeated(600);
    html += "</body></html>\n";
    return HtmlReply(html);
}

FakeReply AlbumListPage(const QString& user, const QString& lastSign, qint64 size) {
    const FakeDataSet set = FakeDataSet::ByName(user);
    size = std::clamp<qint64>(size, 1, 10000);
    const qint64 first = set.homeAlbumCount();
    const qint64 count = set.albumCount();
    qint64 start = first;
    if (!lastSign.isEmpty()) {
        const int index = set.albumIndexBySign(lastSign);
        start = index < 0 ? count : std::max<qint64>(first, index + 1);
    }
    if (set.repeats() && start >= count) {
        start = LastPageStart(first, count, size);
    }
    const qint64 end = std::min(count, start + size);
    QByteArrayList entries;
    for (qint64 i = start; i < end; ++i) {
        entries.append(ListEntry(set, static_cast<int>(i)));
    }
    return JsonReply("{\"errno\":0,\"data\":{\"album_list\":[" + entries.join(',') +
                     "],\"has_more\":" + QByteArray(end < count ? "1" : "0") +
                     ",\"total\":" + QByteArray::number(count - first) + "}}");
}

FakeReply AlbumPictureListPage(const QString& sign, qint64 offset, qint64 size, bool verified) {
    const FakeDataSet set = FakeDataSet::BySign(sign);
    const int albumIndex = set.albumIndexBySign(sign);
    size = std::clamp<qint64>(size, 1, 10000);
    offset = std::max<qint64>(offset, 0);
    qint64 count = 0;
    if (albumIndex >= 0) {
        const FakeAlbum album = set.album(albumIndex);
        count = album.locked && !verified ? 0 : album.pictureCount;
    }
    if (set.repeats() && offset >= count) {
        offset = LastPageStart(0, count, size);
    }
    const qint64 end = std::min(count, offset + size);
    QByteArrayList entries;
    for (qint64 i = offset; i < end; ++i) {
        const FakePicture picture = set.picture(albumIndex, static_cast<int>(i));
        entries.append("{\"picture_id\":\"" + QByteArray::number(TextHash(picture.id) >> 12, 16) +
                       "\",\"picture_name\":\"" + JsonText(picture.descr) + "\",\"img_src\":\"" +
                       JsonUrl(AlbumThumbnailUrl(picture.id, 80)) +
                       "\",\"width\":800,\"height\":600}");
    }
    return JsonReply("{\"errno\":0,\"data\":{\"list\":[" + entries.join(',') +
                     "],\"total\":" + QByteArray::number(count) + "}}");
}

FakeReply AlbumVerifyPage(const QString& sign) {
    return HtmlReply(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>相册验证</title>"
        "</head>\n<body><p>" +
        sign.toHtmlEscaped().toUtf8() +
        ": 此相册需要验证。</p><a href=\"/login\">验证</a></body></html>\n");
}

FakeReply AlbumLoginPage() {
    FakeReply reply = HtmlReply(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>验证成功</title></head>\n"
        "<body><p>验证成功</p></body></html>\n");
    reply.setHeader("Set-Cookie", "verified=1; Path=/");
    return reply;
}

FakeReply AlbumDetailPage(const QString& user) {
    return HtmlReply(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n"
        "<a class=\"owner\" href=\"http://xiangce.baidu.com/profile/" +
        user.toUtf8() + "?from=detail\">owner</a>\n</body></html>\n");
}
