#include "sources/TiebaPictures.h"

#include "sources/Hosts.h"
#include "text/StringCtrl.h"

QString TiebaPictureListUrl(const QString& forumName, const QString& threadId, int page) {
    return TiebaHost() + QStringLiteral(
                             "/photo/g/bw/picture/list?kw=%1&alt=jview&rn=200&tid=%2&pn=%3&ps=%4"
                             "&pe=%5&wall_type=v&_=%6")
                             .arg(forumName, threadId, QString::number(page), QString::number(0),
                                  QString::number(200), MakeRandomToken());
}

QString TiebaPictureAddress(const QString& pictureId) {
    return TiebaPictureHost() + QStringLiteral("/forum/pic/item/") + pictureId +
           QStringLiteral(".jpg");
}

QList<PictureEntry> ParseTiebaPicturePage(const QString& text, const QString& albumName) {
    const QString quote = QStringLiteral("\"");
    QList<PictureEntry> entries;
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("pic_id\""), pieces);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        PictureEntry entry;
        // The id is the first quoted value after the marker.
        entry.id = ExtractBetween(piece, quote, quote, EXTRACT_ADVANCE);
        entry.address = TiebaPictureAddress(entry.id);
        entry.description = UnescapeUnicode(
            ExtractBetween(piece, QStringLiteral("descr\":\""), quote, EXTRACT_ADVANCE));
        if (entry.description.isEmpty()) {
            entry.description = albumName;
        }
        entries.append(entry);
    }
    return entries;
}
