#pragma once
// The settings of the Linux build that soft.dat's fixed layout has no room for, in
// "quorvix.ini" beside it (an INI file only its owner may read: it can hold a secret): the
// download archive and the hand-off to aria2.

#include <QString>

enum class PictureTransport { Quorvix = 0, Aria2Rpc = 1 };

struct LinuxSettings {
    bool archive = false;  // keep a download archive, so reruns fetch only what is missing
    QString archiveFile;   // empty: "archive.sqlite" in the settings folder
    PictureTransport transport = PictureTransport::Quorvix;
    QString aria2Rpc = QStringLiteral("http://127.0.0.1:6800/jsonrpc");
    QString aria2Secret;
};

// The settings of the folder (ending with "/"); defaults for what the file does not hold.
LinuxSettings LoadLinuxSettings(const QString& settingsFolder);
// Writes them (other keys of the file stay); false when the file cannot be written.
bool SaveLinuxSettings(const QString& settingsFolder, const LinuxSettings& settings);
// The archive file the settings name.
QString ArchiveFileOf(const LinuxSettings& settings, const QString& settingsFolder);
