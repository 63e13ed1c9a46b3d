#include "download/ListFiles.h"

#include "download/DownloadBatch.h"
#include "download/NamingText.h"
#include "text/StringCtrl.h"

#include <QFile>
#include <QtEndian>

namespace {

constexpr char16_t kIdeographicFullStop = 0x3002;
// A marker holds one address entry; anything beyond this is not read.
constexpr qint64 kMarkerReadLimit = 64 * 1024;

QString MarkerPath(const QString& albumFolder) {
    return albumFolder + QStringLiteral("pic.kzt");
}

// UTF-16 little-endian code units, no terminating zero.
QByteArray Utf16Le(const QString& text) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    }
    return bytes;
}

bool WriteAll(QFile& file, const QByteArray& bytes) {
    return file.write(bytes) == bytes.size();
}

}  // namespace

QString ListFileBaseName(const QString& albumName) {
    QString base = albumName;
    ReplaceInvalidUnits(base);
    StripLeadingDots(base);
    if (base.isEmpty()) {
        // Only dots and spaces: the ideographic full stop looks alike and hides nothing.
        base = albumName.trimmed();
        base.replace(QLatin1Char('.'), QChar(kIdeographicFullStop));
    }
    CutToUtf8Bytes(base, kNameMaxBytes - kListExtensionBytes);
    return base;
}

bool WriteDownloadList(const DownloadBatch& batch, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    bool written = true;
    for (const PlannedPicture& picture : batch.pictures) {
        written = WriteAll(file, WideToGbk(picture.AddressEntry()) + "\r\n") && written;
    }
    return file.flush() && written;
}

void AppendSourceName(const QString& path, const QString& sourceName, bool first) {
    QFile file(path);
    if (first) {
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return;
        }
        file.write("\xFF\xFE", 2);
    } else if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) ||
               !file.seek(file.size())) {
        return;
    }
    file.write(Utf16Le(sourceName + QStringLiteral("\r\n")));
}

void WriteDownloadedMarker(const QString& firstAddress, const QString& albumFolder) {
    QFile file(MarkerPath(albumFolder));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(Utf16Le(firstAddress));
    }
}

QString ReadDownloadedMarker(const QString& albumFolder) {
    QFile file(MarkerPath(albumFolder));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    const QByteArray bytes = file.read(kMarkerReadLimit);
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = qFromLittleEndian<quint16>(bytes.constData() + i);
        if (unit == u'\n') {
            break;
        }
        text.append(QChar(unit));
    }
    return text;
}
