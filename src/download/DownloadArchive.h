#pragma once
// The download archive: one SQLite row per picture saved, keyed by the service and the
// picture's first address, so a rerun fetches only what was never saved, even when the files
// were moved or deleted since. Several processes may use one archive at once (WAL, a busy
// wait); one object is used by one thread.

#include <QList>
#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

struct ArchiveRecord {
    QString service;  // "xiangce" or "tieba" (ArchiveServiceOf)
    QString address;  // the picture's first address
    QString albumKey;
    QString albumName;
    QString pictureId;  // where the page gives one
    QString path;       // the file as saved (absolute)
    qint64 size = 0;
    QString sha256;      // hex
    qint64 savedAt = 0;  // seconds since the epoch
};

struct ArchiveAlbumCount {
    QString service;
    QString albumKey;
    QString albumName;  // the name of its latest record
    int pictures = 0;
    qint64 bytes = 0;
};

// The version of the archive's layout this program writes (PRAGMA user_version).
constexpr int kArchiveSchemaVersion = 1;

class DownloadArchive {
public:
    // Opens the archive, creating it (and its folder) when missing. Null with a reason when the
    // file is no archive of this program (corrupt, another program's database, a newer layout):
    // such a file is left as it is.
    static std::unique_ptr<DownloadArchive> Open(const QString& path, QString& error);
    // Opens an archive that must exist already (for inspection).
    static std::unique_ptr<DownloadArchive> OpenExisting(const QString& path, QString& error);
    // Opens an existing archive only to read it: works on a read-only file and changes nothing.
    static std::unique_ptr<DownloadArchive> OpenForReading(const QString& path, QString& error);
    ~DownloadArchive();
    DownloadArchive(const DownloadArchive&) = delete;
    DownloadArchive& operator=(const DownloadArchive&) = delete;

    // Whether the picture was saved before; nullopt with the reason when the archive cannot be
    // read.
    std::optional<bool> Holds(const QString& service, const QString& address, QString& error);
    // Records a saved picture (replacing an older record of it). False with the reason.
    bool Record(const ArchiveRecord& record, QString& error);
    // The picture's file was renamed (a repair of its extension).
    bool UpdatePath(const QString& service, const QString& address, const QString& path,
                    QString& error);
    // Pictures and bytes per album, in the order albums were first recorded.
    std::optional<QList<ArchiveAlbumCount>> Counts(QString& error);
    std::optional<QList<ArchiveRecord>> Records(QString& error);
    // Drops the records whose file no longer exists; how many, or -1 with the reason.
    int ForgetMissing(QString& error);

private:
    explicit DownloadArchive(sqlite3* db) : db_(db) {}
    enum class Access { Create, Existing, Read };
    static std::unique_ptr<DownloadArchive> OpenFile(const QString& path, Access access,
                                                     QString& error);
    bool Prepare(QString& error);
    bool CheckReadable(QString& error);
    std::optional<bool> ReadHeader(QString& error) const;
    QString LastError() const;

    sqlite3* db_;
};

// The archive's service name for a list type: album-service pictures and forum pictures are
// told apart, the two forum listers share one.
QString ArchiveServiceOf(int listType);
// The SHA-256 of a file's bytes in hex; empty when it cannot be read.
QString FileSha256(const QString& path);
