#pragma once
// Where "soft.dat" and the extension settings file live.

#include <QString>

// The settings folder, absolute and ending with "/":
// - the explicit folder (e.g. from --settings-dir) when not empty, created when missing;
// - else the current directory when it holds "soft.dat" (portable use);
// - else the per-user configuration folder of "quorvix", created when missing. It does not
//   depend on the executable's name, so the desktop program and the terminal tool share it.
QString ResolveSettingsFolder(const QString& explicitFolder);
// The file that records which album owns which album folder (the per-user data folder).
QString AlbumFolderRecordsFile();
