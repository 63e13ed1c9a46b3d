#include "sources/XiangceAlbums.h"

#include "sources/AlbumPage.h"
#include "sources/Hosts.h"
#include "text/StringCtrl.h"

namespace {

const QByteArray kHomeEndMarker = QByteArrayLiteral("id=\"feedback\"");

}  // namespace

QString XiangceHomeUrl(const QString& user) {
    return XiangceHost() + QStringLiteral("/u/%1").arg(user);
}

QString XiangceAlbumListUrl(const QString& user, const QString& lastSign) {
    return XiangceHost() +
           QStringLiteral("/album/list/%1?size=2000&album_type=0&album_sign=%2&_=%3")
               .arg(user, lastSign, MakeRandomToken());
}

QList<ST_PERLISTRECORD> ParseXiangceHomePage(QString text) {
    SkipPast(text, QStringLiteral("mobileAlbum:"), true);
    CutAt(text, QStringLiteral("userAlbumList"));
    text.replace(QStringLiteral("\":\""), QStringLiteral(": '"));
    text.replace(QStringLiteral("\",\""), QStringLiteral("',"));

    QList<ST_PERLISTRECORD> records;
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("create_time:"), pieces);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        ST_PERLISTRECORD record;
        record.strName = ExtractBetween(piece, QStringLiteral("album_name: '"), QStringLiteral("'"),
                                        EXTRACT_ADVANCE);
        if (record.strName.contains(QLatin1String("\\u"))) {
            record.strName = UnescapeUnicode(record.strName);
        }
        record.strKey = ExtractBetween(piece, QStringLiteral("album_sign: '"), QStringLiteral("'"),
                                       EXTRACT_ADVANCE);
        if (record.strKey.isEmpty()) {
            continue;
        }
        record.nPicCount = DecimalValue(ExtractBetween(
            piece, QStringLiteral("album_picture_total: '"), QStringLiteral("'"), EXTRACT_ADVANCE));
        record.strCover = ExtractBetween(piece, QStringLiteral("picture_cover: '"),
                                         QStringLiteral("'"), EXTRACT_ADVANCE);
        record.strKey = UnescapeSlashes(record.strKey);
        records.append(record);
    }
    return records;
}

QList<ST_PERLISTRECORD> ParseXiangceAlbumPage(const QString& text) {
    QList<ST_PERLISTRECORD> records;
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("\"picture_cover"), pieces);
    const QString quote = QStringLiteral("\"");
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        ST_PERLISTRECORD record;
        record.strCover = ExtractBetween(piece, QStringLiteral(":\""), quote, EXTRACT_ADVANCE);
        record.strName = UnescapeUnicode(
            ExtractBetween(piece, QStringLiteral("album_name\":\""), quote, EXTRACT_ADVANCE));
        record.strKey =
            ExtractBetween(piece, QStringLiteral("album_sign\":\""), quote, EXTRACT_ADVANCE);
        if (record.strKey.isEmpty()) {
            continue;
        }
        record.nPicCount = DecimalValue(
            ExtractBetween(piece, QStringLiteral("picture_total\":"), quote, EXTRACT_ADVANCE));
        record.strKey = UnescapeSlashes(record.strKey);
        records.append(record);
    }
    return records;
}

ListingResult ListXiangceAlbums(const QString& user, AlbumSink& sink, int maxRetries) {
    UrlRequest request = MakePageRequest(XiangceHomeUrl(user));
    request.endMarker = kHomeEndMarker;
    const PageText home = FetchAlbumPage(request, sink, maxRetries);
    if (!home.ok) {
        return FailedListing(home.failure);
    }
    if (home.text.isEmpty()) {
        return {};
    }
    sink.SetAccountFolder(user);
    const auto ended = [&sink]() -> ListingResult {
        return {sink.StopRequested() ? ListingEnd::Stopped : ListingEnd::Complete, {}};
    };

    QSet<QString> listedKeys;
    if (!AddAlbumPage(sink, ParseXiangceHomePage(home.text), listedKeys, PageRule::AddAll)) {
        return ended();
    }
    // The JSON pages continue after the last album of the previous page (same request record,
    // end marker included).
    QString lastSign;
    for (;;) {
        request.url = XiangceAlbumListUrl(user, lastSign);
        const PageText page = FetchAlbumPage(request, sink, maxRetries);
        if (!page.ok) {
            return FailedListing(page.failure);
        }
        if (page.text.isEmpty()) {
            return {};
        }
        const QList<ST_PERLISTRECORD> albums = ParseXiangceAlbumPage(page.text);
        if (!AddAlbumPage(sink, albums, listedKeys, PageRule::EndWhenNothingNew)) {
            return ended();
        }
        lastSign = albums.last().strKey;
    }
}
