#include "download/Aria2Input.h"

#include "net/CookieHeader.h"
#include "net/URLSource2.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// A value on one line: what would end the line or open the next is left out.
QByteArray OneLine(const QString& value) {
    QString line = value;
    line.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return line.toUtf8();
}

}  // namespace

QByteArray Aria2InputEntry(const PlannedPicture& picture, const QString& albumFolder,
                           const QList<StoredCookie>& cookies) {
    const QString address = picture.addresses.value(0).trimmed();
    const QString folder = QDir::cleanPath(QFileInfo(albumFolder).absoluteFilePath());
    QByteArray entry = QUrl(address).toEncoded() + '\n';
    entry += "  dir=" + OneLine(folder) + '\n';
    entry += "  out=" + OneLine(picture.fileName) + '\n';
    for (const QString& line :
         picture.extraHeaders.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        if (!line.trimmed().isEmpty()) {
            entry += "  header=" + OneLine(line) + '\n';
        }
    }
    const QByteArray cookie = CookieHeaderFor(cookies, address, QDateTime::currentSecsSinceEpoch());
    if (!cookie.isEmpty()) {
        entry += "  header=Cookie: " + OneLine(QString::fromUtf8(cookie)) + '\n';
    }
    entry += "  user-agent=" + QByteArray(UserAgentText()) + '\n';
    entry += "  follow-torrent=false\n  follow-metalink=false\n";
    return entry;
}
