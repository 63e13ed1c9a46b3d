#include "download/Repairs.h"

#include "download/DownloadBatch.h"
#include "download/NamingClash.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 kOrderStepSeconds = 60;

// The extension the first bytes show, or an empty text when they show none. The first byte
// chooses the rows to test; when none of them matches there is no further search.
QString ExtensionFromMagic(const unsigned char b[7]) {
    switch (b[0]) {
        case 0xFF:
            return b[1] == 0xD8 ? QStringLiteral(".jpg") : QString();
        case 0x89:
            return b[1] == 0x50 ? QStringLiteral(".png") : QString();
        case 0x47:
            return b[1] == 0x49 && b[2] == 0x46 ? QStringLiteral(".gif") : QString();
        case 0x42:
            return b[1] == 0x4D ? QStringLiteral(".bmp") : QString();
        case 0x00:
            if (b[1] != 0x00) {
                return QString();
            }
            if (b[3] == 0x00 && b[4] == 0x00 && (b[2] == 0x02 || b[2] == 0x0A)) {
                return QStringLiteral(".tga");
            }
            if (b[2] == 0x01 && b[3] == 0x00 && b[4] == 0x01) {
                return QStringLiteral(".ico");
            }
            if (b[2] == 0x02 && b[3] == 0x00 && b[4] == 0x01) {
                return QStringLiteral(".cur");
            }
            return QString();
        case 0x4D:
            return b[1] == 0x4D ? QStringLiteral(".tiff") : QString();
        case 0x49:
            return b[1] == 0x49 ? QStringLiteral(".tiff") : QString();
        default:
            return QString();
    }
}

}  // namespace

void FixPictureFormats(DownloadBatch& batch) {
    for (int i = 0; i < batch.size(); ++i) {
        QString path = batch.albumFolder + batch.pictures[static_cast<size_t>(i)].fileName;
        DetectAndFixExtension(path);
        RenameBatchEntry(batch, i, path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    }
}

bool DetectAndFixExtension(QString& path) {
    if (!QFileInfo::exists(path)) {
        return false;
    }
    // The extension is looked for in the file's own name only, never in a folder name.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash ? path.left(dot) : path;

    unsigned char bytes[7] = {};
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        file.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    }
    const QString extension = ExtensionFromMagic(bytes);
    if (extension.isEmpty()) {
        return true;  // the name stays as it is
    }
    const QString newPath = base + extension;
    if (newPath == path) {
        return true;
    }
    // QFile::rename never replaces an existing file: a file of that name keeps its content and
    // this one keeps its old name.
    if (!QFile::rename(path, newPath)) {
        return false;
    }
    path = newPath;
    return true;
}

void FixPictureOrder(const DownloadBatch& batch) {
    qint64 t = QDateTime::currentSecsSinceEpoch();
    for (const PlannedPicture& picture : batch.pictures) {
        StampFileTime(batch.albumFolder + picture.fileName, t);
        t -= kOrderStepSeconds;
    }
}

void StampFileTime(const QString& path, qint64 t) {
    if (t <= 0) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return;
    }
    const QDateTime time = QDateTime::fromSecsSinceEpoch(t, Qt::UTC);
    file.setFileTime(time, QFileDevice::FileAccessTime);
    file.setFileTime(time, QFileDevice::FileModificationTime);
}
