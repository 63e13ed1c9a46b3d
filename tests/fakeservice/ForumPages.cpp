#include "fakeservice/ForumPages.h"

#include "fakeservice/FakeData.h"
#include "fakeservice/FakeText.h"
#include "text/StringCtrl.h"

#include <QByteArrayList>

#include <algorithm>

using namespace fake;

namespace {

FakeReply JsonReply(const QByteArray& json) {
    FakeReply reply;
    reply.setHeader("Content-Type", "application/json; charset=utf-8");
    reply.body = json;
    return reply;
}

// One album tile as it stands inside the JSON string: quotes and slashes escaped.
QByteArray WallTile(const FakeAlbum& album) {
    const QByteArray tid = QByteArray::number(album.tid);
    const QByteArray name = JsonText(album.name);
    return "<div class=\\\"grbm_ele_wrapper grbm_ele_large\\\"><div class=\\\"grbm_ele\\\">"
           "<a class=\\\"grbm_ele_a\\\" href=\\\"\\/p\\/" +
           tid + "\\\" target=\\\"_blank\\\"><img class=\\\"grbm_ele_img\\\" src=\\\"" +
           JsonUrl(ForumPictureUrl(QStringLiteral("cover") + QString::fromLatin1(tid))) +
           "\\\"><\\/a><div class=\\\"grbm_ele_title\\\"><span class=\\\"grbm_ele_pic_amount\\\">" +
           QByteArray::number(album.pictureCount) +
           "<\\/span><a class=\\\"grbm_ele_name\\\" href=\\\"\\/p\\/" + tid + "\\\" title=\\\"" +
           name + "\\\">" + name + "<\\/a><\\/div><\\/div><\\/div>";
}

// The first index of the page holding the last of `count` entries.
qint64 LastPageStart(qint64 count, qint64 size) {
    return count > 0 ? (count - 1) / size * size : 0;
}

}  // namespace

QByteArray ForumPictureUrl(const QString& id) {
    return "http://imgsrc.baidu.com/forum/pic/item/" + id.toUtf8() + ".jpg";
}

FakeReply ForumWallPage(const QString& forum, qint64 page, qint64 perPage) {
    const FakeDataSet set = FakeDataSet::ByName(forum);
    perPage = std::clamp<qint64>(perPage, 1, 1000);
    QByteArray html;
    const qint64 count = set.albumCount();
    if (set.onePage()) {
        perPage = count;
    }
    qint64 start = page >= 1 ? (page - 1) * perPage : count;
    if (set.repeats() && start >= count) {
        start = LastPageStart(count, perPage);
    }
    const qint64 end = std::min(count, start + perPage);
    for (qint64 i = start; i < end; ++i) {
        html += WallTile(set.album(static_cast<int>(i)));
    }
    return JsonReply("{\"no\":0,\"error\":\"\",\"data\":{\"html\":\"" + html +
                     "\",\"has_more\":" + QByteArray(end < count ? "1" : "0") +
                     ",\"album_amount\":" + QByteArray::number(count) + "}}");
}

FakeReply ForumPictureListPage(const QString& forum, qint64 tid, qint64 page, qint64 perPage) {
    const FakeDataSet set = FakeDataSet::ByName(forum);
    const int albumIndex = set.albumIndexByTid(tid);
    perPage = std::clamp<qint64>(perPage, 1, 10000);
    const qint64 count = albumIndex < 0 ? 0 : set.album(albumIndex).pictureCount;
    qint64 start = page >= 1 ? (page - 1) * perPage : count;
    if (set.repeats() && start >= count) {
        start = LastPageStart(count, perPage);
    }
    const qint64 end = std::min(count, start + perPage);
    QByteArrayList entries;
    for (qint64 i = start; i < end; ++i) {
        const FakePicture picture = set.picture(albumIndex, static_cast<int>(i));
        entries.append("{\"pic_id\":\"" + picture.id.toUtf8() +
                       "\",\"width\":800,\"height\":600,\"descr\":\"" + JsonText(picture.descr) +
                       "\",\"pic_type\":0}");
    }
    return JsonReply("{\"no\":0,\"error\":\"\",\"data\":{\"pic_amount\":" +
                     QByteArray::number(count) + ",\"pic_list\":[" + entries.join(',') + "]}}");
}

FakeReply ForumPostPage(const QString& forum, qint64 tid) {
    const FakeDataSet set = FakeDataSet::ByName(forum);
    const int albumIndex = set.albumIndexByTid(tid);
    FakeReply reply;
    reply.setHeader("Content-Type", "text/html; charset=GBK");
    if (albumIndex < 0) {
        reply.status = 404;
        reply.body = WideToGbk(QStringLiteral(
            "<!DOCTYPE "
            "html>\n<html><head><title>该贴已被删除</title></head><body></body></html>\n"));
        return reply;
    }
    const FakeAlbum album = set.album(albumIndex);
    // Apostrophes would end the title early; the data sets have none.
    const QString page =
        QStringLiteral(
            "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>%1_%2吧_"
            "百度贴吧</title></head>\n<body><div id=\"pic_wrap\"></div>\n<script>\n"
            "PageData.pic = {'kw' : '%2', 'tid' : '%3', 'title' : '%1', "
            "'pic_amount' : '%4'};\n</script>\n</body></html>\n")
            .arg(album.name, forum.toHtmlEscaped(), QString::number(tid),
                 QString::number(album.pictureCount));
    reply.body = WideToGbk(page);
    return reply;
}

FakeReply ForumGuidePage(const QString& forum, qint64 tid, const QString& picId, qint64 next,
                         bool withPrevious) {
    const FakeDataSet set = FakeDataSet::ByName(forum);
    const int albumIndex = set.albumIndexByTid(tid);
    const qint64 count = albumIndex < 0 ? 0 : set.album(albumIndex).pictureCount;
    next = std::clamp<qint64>(next, 0, 1000);
    QList<qint64> indexes;
    if (picId.isEmpty()) {
        for (qint64 i = 0; i < std::min(count, next); ++i) {
            indexes.append(i);
        }
    } else if (const int at = albumIndex < 0 ? -1 : set.pictureIndexById(albumIndex, picId);
               at >= 0) {
        if (withPrevious) {
            indexes.append(at);
        }
        // The repeating forum wraps around to its first picture, as an endless viewer does.
        for (qint64 i = at + 1; i < at + 1 + next && (set.repeats() || i < count); ++i) {
            indexes.append(i % count);
        }
    }
    QByteArrayList entries;
    for (qint64 index : indexes) {
        const FakePicture picture = set.picture(albumIndex, static_cast<int>(index));
        entries.append("\"#" + QByteArray::number(index) + "\":{\"img\":{\"original\":{\"id\":\"" +
                       picture.id.toUtf8() + "\",\"width\":800,\"height\":600,\"waterurl\":\"" +
                       JsonUrl(ForumPictureUrl(picture.id)) + "\"}},\"descr\":\"" +
                       JsonText(picture.descr) + "\",\"pic_type\":0}");
    }
    return JsonReply("{\"no\":0,\"error\":\"\",\"data\":{\"pic_amount\":" +
                     QByteArray::number(count) + ",\"pic_list\":{" + entries.join(',') + "}}}");
}
