#include "download/FolderOwners.h"

#include "net/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

constexpr qint64 kLongestRecordFile = 64 * 1024 * 1024;

QString Encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString Decoded(const QByteArray& text) {
    return QUrl::fromPercentEncoding(text);
}

}  // namespace

QString FolderKey(const QString& folder) {
    QString key = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return key.toCaseFolded();
}

QHash<QString, QString> FolderOwners::Read() const {
    QHash<QString, QString> owners;
    QFile file(file_);
    if (!file.open(QIODevice::ReadOnly)) {
        return owners;
    }
    // One record per line: the folder's key and its owner, both percent-encoded, a tab between.
    for (const QByteArray& line : file.read(kLongestRecordFile).split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0) {
            owners.insert(Decoded(line.left(tab)), Decoded(line.mid(tab + 1)));
        }
    }
    return owners;
}

bool FolderOwners::Write(const QHash<QString, QString>& owners) const {
    QDir().mkpath(QFileInfo(file_).absolutePath());
    QSaveFile file(file_);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray text;
    for (auto it = owners.constBegin(); it != owners.constEnd(); ++it) {
        text += Encoded(it.key()).toLatin1() + '\t' + Encoded(it.value()).toLatin1() + '\n';
    }
    return file.write(text) == text.size() && file.commit();
}

bool FolderOwners::TryClaim(const QString& folder, const QString& album) const {
    QDir().mkpath(QFileInfo(file_).absolutePath());
    const FileLock lock = FileLock::Exclusive(file_ + QStringLiteral(".lock"));
    QHash<QString, QString> owners = Read();
    const QString key = FolderKey(folder);
    const auto owner = owners.constFind(key);
    if (owner != owners.constEnd()) {
        return *owner == album;
    }
    owners.insert(key, album);
    Write(owners);  // a record that cannot be written leaves the folder as free as before
    return true;
}

QString FolderOwners::OwnerOf(const QString& folder) const {
    return Read().value(FolderKey(folder));
}
