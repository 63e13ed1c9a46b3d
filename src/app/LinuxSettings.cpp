#include "app/LinuxSettings.h"

#include <QFile>
#include <QSettings>

namespace {

QString FileOf(const QString& settingsFolder) {
    return settingsFolder + QStringLiteral("quorvix.ini");
}

}  // namespace

LinuxSettings LoadLinuxSettings(const QString& settingsFolder) {
    const QSettings ini(FileOf(settingsFolder), QSettings::IniFormat);
    LinuxSettings settings;
    settings.archive = ini.value(QStringLiteral("archive/enabled"), false).toBool();
    settings.archiveFile = ini.value(QStringLiteral("archive/file")).toString();
    settings.transport = ini.value(QStringLiteral("aria2/enabled"), false).toBool()
                             ? PictureTransport::Aria2Rpc
                             : PictureTransport::Quorvix;
    settings.aria2Rpc = ini.value(QStringLiteral("aria2/rpc"), settings.aria2Rpc).toString();
    settings.aria2Secret = ini.value(QStringLiteral("aria2/secret")).toString();
    return settings;
}

bool SaveLinuxSettings(const QString& settingsFolder, const LinuxSettings& settings) {
    const QString path = FileOf(settingsFolder);
    {
        QSettings ini(path, QSettings::IniFormat);
        ini.setValue(QStringLiteral("archive/enabled"), settings.archive);
        ini.setValue(QStringLiteral("archive/file"), settings.archiveFile);
        ini.setValue(QStringLiteral("aria2/enabled"),
                     settings.transport == PictureTransport::Aria2Rpc);
        ini.setValue(QStringLiteral("aria2/rpc"), settings.aria2Rpc);
        ini.setValue(QStringLiteral("aria2/secret"), settings.aria2Secret);
        ini.sync();  // merged with what other processes wrote meanwhile, under QSettings' lock
        if (ini.status() != QSettings::NoError) {
            return false;
        }
    }
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString ArchiveFileOf(const LinuxSettings& settings, const QString& settingsFolder) {
    return settings.archiveFile.isEmpty() ? settingsFolder + QStringLiteral("archive.sqlite")
                                          : settings.archiveFile;
}
