#include "sources/TiebaPostPictures.h"

#include "sources/PageFetch.h"
#include "text/StringCtrl.h"

QString TiebaGuideUrl(const QString& postAddress, const QString& lastPicId) {
    QString url = postAddress +
                  QStringLiteral("&see_lz=1&from_page=0&alt=jview&next=50&prev=1&pic_id=") +
                  lastPicId + QStringLiteral("&_=") + MakeRandomToken();
    // The post's picture page becomes the guide endpoint with the post's own query.
    url.replace(QStringLiteral("/photo/p"), QStringLiteral("/photo/bw/picture/guide"));
    return url;
}

QList<PictureEntry> ParseTiebaGuidePage(QString text, const QString& lastPicId,
                                        const QString& albumName) {
    // The response starts with the picture asked for ("prev=1"), which was handed over before.
    if (!lastPicId.isEmpty()) {
        SkipPast(text, lastPicId, true);
    }
    const QString quote = QStringLiteral("\"");
    QList<PictureEntry> entries;
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("\"img\":"), pieces);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        PictureEntry entry;
        entry.id = ExtractBetween(piece, QStringLiteral("id\":\""), quote, EXTRACT_ADVANCE);
        entry.address = UnescapeSlashes(
            ExtractBetween(piece, QStringLiteral("waterurl\":\""), quote, EXTRACT_ADVANCE));
        entry.description = UnescapeUnicode(
            ExtractBetween(piece, QStringLiteral("descr\":\""), quote, EXTRACT_ADVANCE));
        if (entry.description.isEmpty()) {
            entry.description = albumName;
        }
        entries.append(entry);
    }
    return entries;
}
