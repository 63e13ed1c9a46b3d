#include "fakeservice/HostilePages.h"

#include "fakeservice/FakeText.h"
#include "fakeservice/ForumPages.h"
#include "text/StringCtrl.h"

#include <QByteArrayList>
#include <QRegularExpression>

#include <iterator>

using namespace fake;

namespace {

constexpr qint64 kFirstTid = 1001;
constexpr int kPicturesPerAlbum = 2;

// Raw title bytes; a few hold JSON escapes that the lister decodes into the characters named.
QByteArray TitleBytes(int index) {
    switch (index) {
        case 0:
            return "../../../../climb";
        case 1:
            return "/etc/passwd";
        case 2:  // "../../escaped" spelled with escapes
            return "\\u002e\\u002e\\u002f\\u002e\\u002e\\u002fescaped";
        case 3:
            return "...";
        case 4:
            return ". .hidden";
        case 5:
            return ".hidden";
        case 6:  // terminal escapes, raw and escaped, CR LF TAB DEL and a C1 control
            return "\x01\x1b]0;title\x07\x1b[31mred\\u001b[0m\r\n\tname\x7f\\u0085";
        case 7:
            return "\\u0000nul\\u0000";
        case 8:  // an overlong "/", a UTF-8-encoded surrogate, a cut sequence
            return "\xff\xfe\xc0\xaf\xed\xa0\x80-\xe6\x97";
        case 9:
            return "\\uD800 half \\uDC00\\uD800";
        case 10:
            return QStringLiteral("长").repeated(100000).toUtf8();
        case 11:
        case 12:  // the same long name twice: the album list numbers the second
            return QStringLiteral("图").repeated(900).toUtf8();
        case 13:  // other lone halves than album 9's, which make the same replacement characters
            return "\\uDBFF half \\uDFFF\\uDBFF";
        default:
            return "坏图";
    }
}

constexpr int kAlbumCount = 15;
constexpr int kBadAlbum = kAlbumCount - 1;
const char* const kBadSuffixes[] = {"-loop", "-endless", "-huge", ""};

FakeReply JsonReply(const QByteArray& json) {
    FakeReply reply;
    reply.setHeader("Content-Type", "application/json; charset=utf-8");
    reply.body = json;
    return reply;
}

int AlbumOfTid(qint64 tid) {
    const qint64 index = tid - kFirstTid;
    return index >= 0 && index < kAlbumCount ? static_cast<int>(index) : -1;
}

// Picture descriptions cycle through the hostile names; every fifth picture has none.
QByteArray DescriptionBytes(int albumIndex, int pictureIndex) {
    if (pictureIndex % 5 == 4) {
        return QByteArray();
    }
    return TitleBytes((albumIndex + pictureIndex) % kBadAlbum);
}

// Covers cycle through the misbehaving picture kinds.
QByteArray CoverUrl(int albumIndex) {
    const char* const suffixes[] = {"-loop", "-endless", "-huge"};
    return ForumPictureUrl(QStringLiteral("hostile_cover_%1%2")
                               .arg(albumIndex)
                               .arg(QLatin1String(suffixes[albumIndex % 3])));
}

QByteArray WallTile(int albumIndex) {
    const QByteArray tid = QByteArray::number(HostileTid(albumIndex));
    const QByteArray title = TitleBytes(albumIndex);
    return "<div class=\\\"grbm_ele_wrapper grbm_ele_large\\\"><div class=\\\"grbm_ele\\\">"
           "<a class=\\\"grbm_ele_a\\\" href=\\\"\\/p\\/" +
           tid + "\\\" target=\\\"_blank\\\"><img class=\\\"grbm_ele_img\\\" src=\\\"" +
           JsonUrl(CoverUrl(albumIndex)) +
           "\\\"><\\/a><div class=\\\"grbm_ele_title\\\"><span class=\\\"grbm_ele_pic_amount\\\">" +
           QByteArray::number(HostilePictureCount(albumIndex)) +
           "<\\/span><a class=\\\"grbm_ele_name\\\" href=\\\"\\/p\\/" + tid + "\\\" title=\\\"" +
           title + "\\\">" + title + "<\\/a><\\/div><\\/div><\\/div>";
}

// Every album on the first page; later pages are empty.
FakeReply WallPage(qint64 page) {
    QByteArray html;
    for (int i = 0; page == 1 && i < kAlbumCount; ++i) {
        html += WallTile(i);
    }
    return JsonReply("{\"no\":0,\"error\":\"\",\"data\":{\"html\":\"" + html +
                     "\",\"has_more\":0,\"album_amount\":" + QByteArray::number(kAlbumCount) +
                     "}}");
}

// Every picture on the first page; later pages are empty.
FakeReply PictureListPage(int albumIndex, qint64 page) {
    QByteArrayList entries;
    const int count = albumIndex < 0 || page != 1 ? 0 : HostilePictureCount(albumIndex);
    for (int k = 0; k < count; ++k) {
        entries.append("{\"pic_id\":\"" + HostilePictureId(albumIndex, k).toUtf8() +
                       "\",\"width\":800,\"height\":600,\"descr\":\"" +
                       DescriptionBytes(albumIndex, k) + "\",\"pic_type\":0}");
    }
    return JsonReply("{\"no\":0,\"error\":\"\",\"data\":{\"pic_amount\":" +
                     QByteArray::number(count) + ",\"pic_list\":[" + entries.join(',') + "]}}");
}

// The post page, GBK: its title climbs, holds bytes that are not GBK and a terminal escape.
FakeReply PostPage(int albumIndex) {
    FakeReply reply;
    reply.setHeader("Content-Type", "text/html; charset=GBK");
    if (albumIndex < 0) {
        reply.status = 404;
        return reply;
    }
    const QByteArray title = "../../" + WideToGbk(QStringLiteral("帖子")) +
                             "\x81\x20\xff\x80\x1b[2J/.." + QByteArray::number(albumIndex);
    reply.body =
        "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"></head>\n<body><script>\n"
        "PageData.pic = {'kw' : 'hostile', 'tid' : '" +
        QByteArray::number(HostileTid(albumIndex)) + "', 'title' : '" + title +
        "'};\n</script>\n</body></html>\n";
    return reply;
}

// The guide: every picture for the first request; a later request gets only the picture it
// names, which ends the listing.
FakeReply GuidePage(int albumIndex, const QString& picId) {
    QByteArrayList entries;
    const int count = albumIndex < 0 ? 0 : HostilePictureCount(albumIndex);
    for (int k = 0; k < count; ++k) {
        const QString id = HostilePictureId(albumIndex, k);
        if (!picId.isEmpty() && id != picId) {
            continue;
        }
        entries.append("\"#" + QByteArray::number(k) + "\":{\"img\":{\"original\":{\"id\":\"" +
                       id.toUtf8() + "\",\"width\":800,\"height\":600,\"waterurl\":\"" +
                       JsonUrl(ForumPictureUrl(id)) + "\"}},\"descr\":\"" +
                       DescriptionBytes(albumIndex, k) + "\",\"pic_type\":0}");
    }
    return JsonReply("{\"no\":0,\"error\":\"\",\"data\":{\"pic_amount\":" +
                     QByteArray::number(count) + ",\"pic_list\":{" + entries.join(',') + "}}}");
}

}  // namespace

int HostileAlbumCount() {
    return kAlbumCount;
}

QByteArray HostileAlbumTitle(int albumIndex) {
    return TitleBytes(albumIndex);
}

int HostileBadPicturesAlbum() {
    return kBadAlbum;
}

int HostilePictureCount(int albumIndex) {
    return albumIndex == kBadAlbum ? static_cast<int>(std::size(kBadSuffixes)) : kPicturesPerAlbum;
}

QString HostilePictureId(int albumIndex, int pictureIndex) {
    const QString suffix =
        albumIndex == kBadAlbum ? QLatin1String(kBadSuffixes[pictureIndex]) : QLatin1String("");
    return QStringLiteral("hostile_%1_%2%3").arg(albumIndex + 1).arg(pictureIndex).arg(suffix);
}

qint64 HostileTid(int albumIndex) {
    return kFirstTid + albumIndex;
}

bool IsHostileForumName(const QString& forum) {
    if (forum.contains(QLatin1String("hostile"))) {
        return true;
    }
    // Names made of dots, spaces and slashes only: the forum name itself tries to climb.
    static const QRegularExpression climbing(QStringLiteral("^[. /]+$"));
    return climbing.match(forum).hasMatch();
}

std::optional<FakeReply> HostileReply(FakePathKind kind, const FakeRequest& request) {
    const QByteArray& target = request.target;
    if (!IsHostileForumName(QueryText(target, "kw"))) {
        return std::nullopt;
    }
    const int albumIndex = AlbumOfTid(QueryNumber(target, "tid", 0));
    switch (kind) {
        case FakePathKind::ForumWall:
            return WallPage(QueryNumber(target, "pn", 1));
        case FakePathKind::ForumPictureList:
            return PictureListPage(albumIndex, QueryNumber(target, "pn", 1));
        case FakePathKind::ForumPost:
            return PostPage(albumIndex);
        case FakePathKind::ForumGuide:
            return GuidePage(albumIndex, QueryText(target, "pic_id"));
        default:
            return std::nullopt;
    }
}
