#pragma once
// Which album owns which album folder, across jobs and processes. Kept outside the save folders
// (a file in the per-user data folder), keyed by the folder's absolute path with letter case
// ignored, so nothing new appears among the pictures and save trees copied to a file system that
// ignores case stay apart.

#include <QHash>
#include <QString>

class FolderOwners {
public:
    // The record file; the records are read and written under "<file>.lock".
    explicit FolderOwners(const QString& recordFile) : file_(recordFile) {}

    // Makes the album the folder's owner unless another album owns it already; true when the
    // album owns it now. A folder without a record is free (as folders made before the records
    // are). Re-reads the file and writes it back in one step under its lock.
    bool TryClaim(const QString& folder, const QString& album) const;
    // The folder's owner, or an empty text.
    QString OwnerOf(const QString& folder) const;

private:
    QHash<QString, QString> Read() const;
    bool Write(const QHash<QString, QString>& owners) const;

    QString file_;
};

// The key of a folder in the records: its absolute path without the final "/", case-folded.
QString FolderKey(const QString& folder);
