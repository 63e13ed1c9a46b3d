#include "fakeservice/FakeAnswer.h"

#include "fakeservice/AlbumServicePages.h"
#include "fakeservice/FakeText.h"
#include "fakeservice/ForumPages.h"
#include "fakeservice/HostilePages.h"
#include "fakeservice/PictureHost.h"
#include "support/Compress.h"

using namespace fake;

namespace {

QByteArray HostName(const FakeRequest& request) {
    QByteArray host = request.host.toLower();
    const qsizetype colon = host.indexOf(':');
    return colon < 0 ? host : host.left(colon);
}

// The file name of a picture address ("/forum/pic/item/<id>.jpg" gives "<id>").
QString PictureId(const QByteArray& path) {
    const QByteArray file = path.mid(path.lastIndexOf('/') + 1);
    return DecodedText(file.left(file.size() - 4));
}

// The path below a prefix, percent-decoded ("/u/demo" below "/u/" gives "demo").
QString PathRest(const QByteArray& path, qsizetype prefixLength) {
    return DecodedText(path.mid(prefixLength));
}

FakeReply NotFound() {
    FakeReply reply;
    reply.status = 404;
    reply.setHeader("Content-Type", "text/html; charset=utf-8");
    reply.body =
        "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body>"
        "</html>\n";
    return reply;
}

bool IsPicture(FakePathKind kind) {
    return kind == FakePathKind::ForumPicture || kind == FakePathKind::AlbumPicture;
}

FakeReply AlbumServiceReply(FakePathKind kind, const FakeRequest& request, const QByteArray& path) {
    const QByteArray& target = request.target;
    switch (kind) {
        case FakePathKind::AlbumHome:
            return AlbumHomePage(PathRest(path, 3));
        case FakePathKind::AlbumList:
            return AlbumListPage(PathRest(path, 12), QueryText(target, "album_sign"),
                                 QueryNumber(target, "size", 2000));
        case FakePathKind::AlbumPictureList: {
            const QString sign = PathRest(path, 20);
            if (QueryValue(target, "format") != "json") {
                return AlbumVerifyPage(sign);
            }
            return AlbumPictureListPage(sign, QueryNumber(target, "pn", 0),
                                        QueryNumber(target, "size", 100),
                                        request.cookie("verified") == "1");
        }
        case FakePathKind::AlbumLogin:
            return AlbumLoginPage();
        case FakePathKind::AlbumDetail: {
            QString user = PathRest(path, 16);
            return AlbumDetailPage(user.left(user.indexOf(QLatin1Char('/'))));
        }
        default:
            return NotFound();
    }
}

FakeReply ForumReply(FakePathKind kind, const FakeRequest& request) {
    const QByteArray& target = request.target;
    const QString forum = QueryText(target, "kw");
    const qint64 tid = QueryNumber(target, "tid", 0);
    switch (kind) {
        case FakePathKind::ForumWall:
            return ForumWallPage(forum, QueryNumber(target, "pn", 1),
                                 QueryNumber(target, "rn", 30));
        case FakePathKind::ForumPictureList:
            return ForumPictureListPage(forum, tid, QueryNumber(target, "pn", 1),
                                        QueryNumber(target, "rn", 200));
        case FakePathKind::ForumPost:
            return ForumPostPage(forum, tid);
        case FakePathKind::ForumGuide:
            return ForumGuidePage(forum, tid, QueryText(target, "pic_id"),
                                  QueryNumber(target, "next", 50),
                                  QueryNumber(target, "prev", 0) > 0);
        default:
            return NotFound();
    }
}

}  // namespace

FakePathKind ClassifyRequest(const FakeRequest& request) {
    const QByteArray host = HostName(request);
    const QByteArray path = TargetPath(request.target);
    if (host == kAlbumServiceHost) {
        if (path.startsWith("/u/") && path.size() > 3) {
            return FakePathKind::AlbumHome;
        }
        if (path.startsWith("/album/list/") && path.size() > 12) {
            return FakePathKind::AlbumList;
        }
        if (path.startsWith("/picture/album/list/") && path.size() > 20) {
            return FakePathKind::AlbumPictureList;
        }
        if (path == "/login") {
            return FakePathKind::AlbumLogin;
        }
        if (path.startsWith("/picture/detail/") && path.size() > 16) {
            return FakePathKind::AlbumDetail;
        }
    } else if (host == kForumHost) {
        if (path == "/photo/g") {
            return FakePathKind::ForumWall;
        }
        if (path == "/photo/g/bw/picture/list") {
            return FakePathKind::ForumPictureList;
        }
        if (path == "/photo/p") {
            return FakePathKind::ForumPost;
        }
        if (path == "/photo/bw/picture/guide") {
            return FakePathKind::ForumGuide;
        }
    } else if (host == kForumPictureHost) {
        if (path.startsWith("/forum/pic/item/") && path.endsWith(".jpg")) {
            return FakePathKind::ForumPicture;
        }
    } else if (host.endsWith(kAlbumPictureHostSuffix)) {
        if (path.startsWith("/album/") && path.endsWith(".jpg")) {
            return FakePathKind::AlbumPicture;
        }
    }
    return FakePathKind::Unknown;
}

FakeReply Answer(const FakeRequest& request, const FakeOptions& options) {
    const FakePathKind kind = ClassifyRequest(request);
    const QByteArray path = TargetPath(request.target);
    FakeReply reply;
    if (IsPicture(kind)) {
        reply = PictureReply(PictureId(path), options);
        AnswerRange(reply, request, options);
    } else if (kind == FakePathKind::Unknown) {
        reply = NotFound();
    } else if (std::optional<FakeReply> hostile = HostileReply(kind, request)) {
        reply = std::move(*hostile);
    } else if (HostName(request) == kAlbumServiceHost) {
        reply = AlbumServiceReply(kind, request, path);
    } else {
        reply = ForumReply(kind, request);
    }
    if (!IsPicture(kind)) {
        reply.setHeader("Vary", "Accept-Encoding");
        if (options.gzip && request.header("Accept-Encoding").toLower().contains("gzip")) {
            reply.body = GzipBytes(reply.body);
            reply.setHeader("Content-Encoding", "gzip");
        }
    }
    reply.kind = kind;
    reply.latencyMs = options.latencyMs;
    if (IsPicture(kind)) {
        reply.kibPerSec = options.pictureKibPerSec;
    }
    return reply;
}
