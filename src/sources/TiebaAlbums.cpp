#include "sources/TiebaAlbums.h"

#include "app/Harvest.h"
#include "sources/AlbumPage.h"
#include "sources/Hosts.h"
#include "sources/ListerFetch.h"
#include "text/StringCtrl.h"

QString TiebaAlbumWallUrl(const QString& forumName, int page) {
    return TiebaHost() + QStringLiteral("/photo/g?kw=%1&alt=jview&pn=%2&rn=30&cat_id=all&_=%3")
                             .arg(forumName, QString::number(page), MakeRandomToken());
}

QList<ST_PERLISTRECORD> ParseTiebaAlbumPage(const QString& text) {
    // The wall is an HTML fragment inside JSON: its attribute quotes arrive as backslash-quote.
    const QString quote = QStringLiteral("\\\"");
    QList<ST_PERLISTRECORD> records;
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("class=\\\"grbm_ele_wrapper"), pieces);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        ST_PERLISTRECORD record;
        record.strKey = UnescapeSlashes(
            ExtractBetween(piece, QStringLiteral("href=\\\""), quote, EXTRACT_ADVANCE));
        SkipPast(record.strKey, QStringLiteral("p/"), true);
        if (record.strKey.isEmpty()) {
            continue;
        }
        record.strCover = UnescapeSlashes(
            ExtractBetween(piece, QStringLiteral("src=\\\""), quote, EXTRACT_ADVANCE));
        SkipPast(piece, QStringLiteral("grbm_ele_pic_amount"), true);
        record.nPicCount = DecimalValue(
            ExtractBetween(piece, QStringLiteral(">"), QStringLiteral("<"), EXTRACT_ADVANCE));
        record.strName = UnescapeUnicode(
            ExtractBetween(piece, QStringLiteral("title=\\\""), quote, EXTRACT_ADVANCE));
        records.append(record);
    }
    return records;
}

void ListTiebaAlbums(const QString& forumName, Harvest& harvest) {
    UrlRequest request = MakePageRequest(QString());
    QSet<QString> listedKeys;
    QString text;
    for (int page = 1;; ++page) {
        request.url = TiebaAlbumWallUrl(forumName, page);
        if (!FetchPageText(request, text, TEXT_INFLATE | TEXT_UTF8) || text.isEmpty()) {
            return;
        }
        if (!AddAlbumPage(harvest, ParseTiebaAlbumPage(text), listedKeys,
                          PageRule::EndWhenNothingNew)) {
            return;
        }
    }
}
