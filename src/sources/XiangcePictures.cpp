#include "sources/XiangcePictures.h"

#include "sources/Hosts.h"
#include "sources/PageFetch.h"
#include "text/StringCtrl.h"

QString XiangcePictureListUrl(const QString& albumKey, int offset) {
    return XiangceHost() + QStringLiteral(
                               "/picture/album/list/%1?format=json&size=100&pn=%2&width=80&t=%3"
                               "&resolution=1280")
                               .arg(albumKey, QString::number(offset), MakeRandomToken());
}

QString XiangceVerifyUrl(const QString& albumKey) {
    return XiangceHost() + QStringLiteral("/picture/album/list/") + albumKey;
}

QString XiangceFullSizeAddress(const QString& thumbnail) {
    const qsizetype slash = thumbnail.lastIndexOf(QLatin1Char('/'));
    const QString tail = slash < 0 ? thumbnail : thumbnail.mid(slash);
    QString head = thumbnail;
    CutAt(head, QStringLiteral("album"));
    return head + QStringLiteral("album/pic/item") + tail;
}

QList<PictureEntry> ParseXiangcePicturePage(const QString& text, const QString& albumName) {
    const QString quote = QStringLiteral("\"");
    QList<PictureEntry> entries;
    QStringList pieces;
    SplitByMarker(text, QStringLiteral("picture_name"), pieces);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        QString& piece = pieces[i];
        PictureEntry entry;
        // The name is the value right after the marker.
        entry.description =
            UnescapeUnicode(ExtractBetween(piece, QStringLiteral("\":\""), quote, EXTRACT_ADVANCE));
        if (entry.description.isEmpty()) {
            entry.description = albumName;
        }
        const QString thumbnail = UnescapeSlashes(
            ExtractBetween(piece, QStringLiteral("img_src\":\""), quote, EXTRACT_ADVANCE));
        entry.address = XiangceFullSizeAddress(thumbnail);
        entries.append(entry);
    }
    return entries;
}
