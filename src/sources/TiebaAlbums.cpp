#include "sources/TiebaAlbums.h"

#include "sources/AlbumPage.h"
#include "sources/Hosts.h"
#include "sources/NumberedPages.h"
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

ListingResult ListTiebaAlbums(const QString& forumName, AlbumSink& sink, int maxRetries) {
    // The wall's pages are numbered: a few are asked for at once, and handed over in order.
    constexpr int kPagesAhead = 4;
    NumberedPages pages(
        [&forumName](int page) { return MakePageRequest(TiebaAlbumWallUrl(forumName, page)); }, 1,
        kPagesAhead, TEXT_INFLATE | TEXT_UTF8, maxRetries,
        [&sink] { return sink.StopRequested(); });
    QSet<QString> listedKeys;
    for (;;) {
        const PageText wall = pages.Next();
        if (!wall.ok) {
            return FailedListing(wall.failure);
        }
        if (wall.text.isEmpty()) {
            return {};
        }
        if (!AddAlbumPage(sink, ParseTiebaAlbumPage(wall.text), listedKeys,
                          PageRule::EndWhenNothingNew)) {
            return {sink.StopRequested() ? ListingEnd::Stopped : ListingEnd::Complete, {}};
        }
    }
}
