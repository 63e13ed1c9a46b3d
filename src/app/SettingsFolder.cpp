#include "app/SettingsFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/SettingsBlock.h"

namespace {

QString WithTrailingSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Absolute, cleaned and created; creation failures show up later as unreadable settings.
QString PreparedFolder(const QString& folder) {
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QDir().mkpath(absolute);
    return WithTrailingSlash(absolute);
}

}  // namespace

QString ResolveSettingsFolder(const QString& explicitFolder) {
    if (!explicitFolder.isEmpty()) {
        return PreparedFolder(explicitFolder);
    }
    const QDir current = QDir::current();
    if (QFileInfo(current.filePath(QLatin1String(kSettingsFileName))).isFile()) {
        return WithTrailingSlash(current.absolutePath());
    }
    // The application's configuration folder under the name "quorvix", whatever the executable
    // is called.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) {
        return WithTrailingSlash(current.absolutePath());  // no home folder: portable use
    }
    return PreparedFolder(config + QStringLiteral("/quorvix"));
}

QString AlbumFolderRecordsFile() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/quorvix/album-folders.txt");
}
