#include "download/DownloadArchive.h"

#include "sources/PictureListers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// "QRVX": marks the database as this program's, so another program's is never taken for one.
constexpr int kApplicationId = 0x51525658;
static_assert(kApplicationId == 1364350552, "the number written by kCreate");
constexpr int kBusyWaitMs = 10000;

// One statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    Statement& Bind(int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(statement_, index, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, qint64 value) {
        sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    int Step() { return sqlite3_step(statement_); }
    QString Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement_, column)) : QString();
    }
    qint64 Number(int column) const { return sqlite3_column_int64(statement_, column); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

bool Execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<qint64> Pragma(sqlite3* db, const char* sql) {
    Statement statement(db, sql);
    if (!statement.ok() || statement.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return statement.Number(0);
}

constexpr const char* kCreate =
    "CREATE TABLE IF NOT EXISTS pictures ("
    " service TEXT NOT NULL,"
    " address TEXT NOT NULL,"
    " album_key TEXT NOT NULL,"
    " album_name TEXT NOT NULL,"
    " picture_id TEXT NOT NULL,"
    " path TEXT NOT NULL,"
    " size INTEGER NOT NULL,"
    " sha256 TEXT NOT NULL,"
    " saved_at INTEGER NOT NULL,"
    " PRIMARY KEY (service, address));"
    "CREATE INDEX IF NOT EXISTS pictures_by_album ON pictures (service, album_key);"
    "PRAGMA application_id = 1364350552;"  // kApplicationId
    "PRAGMA user_version = 1;";

// The journal mode the connection has after asking for WAL; several processes opening a new
// archive at once may each find the file busy for a moment.
bool SwitchToWal(sqlite3* db) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        Statement statement(db, "PRAGMA journal_mode = WAL");
        if (statement.ok() && statement.Step() == SQLITE_ROW &&
            statement.Text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        sqlite3_sleep(20);
    }
    return false;
}

}  // namespace

std::unique_ptr<DownloadArchive> DownloadArchive::Open(const QString& path, QString& error) {
    return OpenFile(path, Access::Create, error);
}

std::unique_ptr<DownloadArchive> DownloadArchive::OpenExisting(const QString& path,
                                                               QString& error) {
    return OpenFile(path, Access::Existing, error);
}

std::unique_ptr<DownloadArchive> DownloadArchive::OpenForReading(const QString& path,
                                                                 QString& error) {
    return OpenFile(path, Access::Read, error);
}

std::unique_ptr<DownloadArchive> DownloadArchive::OpenFile(const QString& path, Access access,
                                                           QString& error) {
    const bool create = access == Access::Create;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("not a file");
        return nullptr;
    }
    if (!info.exists()) {
        if (!create) {
            error = QStringLiteral("no such file");
            return nullptr;
        }
        if (!QDir().mkpath(info.absolutePath())) {
            error = QStringLiteral("cannot create its folder");
            return nullptr;
        }
    }
    sqlite3* db = nullptr;
    const int flags = access == Access::Read
                          ? SQLITE_OPEN_READONLY
                          : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK) {
        error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("cannot open");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<DownloadArchive> archive(new DownloadArchive(db));
    sqlite3_busy_timeout(db, kBusyWaitMs);
    if (!(access == Access::Read ? archive->CheckReadable(error) : archive->Prepare(error))) {
        return nullptr;
    }
    return archive;
}

// What the file's header says: an empty database (nullopt), or whether it is this program's
// archive in a layout it reads (with the reason when not). Reading the header is where a file
// that is no database shows.
std::optional<bool> DownloadArchive::ReadHeader(QString& error) const {
    const std::optional<qint64> id = Pragma(db_, "PRAGMA application_id");
    const std::optional<qint64> version = Pragma(db_, "PRAGMA user_version");
    const std::optional<qint64> tables = Pragma(db_, "SELECT count(*) FROM sqlite_master");
    if (!id || !version || !tables) {
        error = QStringLiteral("not a download archive (%1)").arg(LastError());
    } else if (*tables == 0 && *id == 0 && *version == 0) {
        return std::nullopt;
    } else if (*id != kApplicationId) {
        error = QStringLiteral("not a download archive of this program");
    } else if (*version > kArchiveSchemaVersion) {
        error = QStringLiteral("made by a newer version (layout %1)").arg(*version);
    }
    return error.isEmpty();
}

// For a file that is only read: an empty one holds no archive.
bool DownloadArchive::CheckReadable(QString& error) {
    const std::optional<bool> archive = ReadHeader(error);
    if (!archive) {
        error = QStringLiteral("not a download archive (empty)");
        return false;
    }
    return *archive;
}

// Checks that the file is this program's archive (or empty, then lays it out) under the write
// lock, so that a process opening the archive while another creates it sees it whole.
bool DownloadArchive::Prepare(QString& error) {
    if (!Execute(db_, "BEGIN IMMEDIATE")) {
        error = QStringLiteral("not a download archive (%1)").arg(LastError());
        return false;
    }
    const std::optional<bool> archive = ReadHeader(error);
    if (!archive && !Execute(db_, kCreate)) {
        error = LastError();
    }
    if (!error.isEmpty() || !Execute(db_, "COMMIT")) {
        if (error.isEmpty()) {
            error = LastError();
        }
        Execute(db_, "ROLLBACK");
        return false;
    }
    if (!SwitchToWal(db_) || !Execute(db_, "PRAGMA synchronous = NORMAL")) {
        error = QStringLiteral("cannot use it in WAL mode (%1)").arg(LastError());
        return false;
    }
    return true;
}

DownloadArchive::~DownloadArchive() {
    sqlite3_close(db_);
}

QString DownloadArchive::LastError() const {
    return QString::fromUtf8(sqlite3_errmsg(db_));
}

std::optional<bool> DownloadArchive::Holds(const QString& service, const QString& address,
                                           QString& error) {
    Statement statement(db_, "SELECT 1 FROM pictures WHERE service = ?1 AND address = ?2");
    if (!statement.ok()) {
        error = LastError();
        return std::nullopt;
    }
    const int step = statement.Bind(1, service).Bind(2, address).Step();
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        error = LastError();
        return std::nullopt;
    }
    return step == SQLITE_ROW;
}

bool DownloadArchive::Record(const ArchiveRecord& record, QString& error) {
    Statement statement(db_,
                        "INSERT OR REPLACE INTO pictures (service, address, album_key, "
                        "album_name, picture_id, path, size, sha256, saved_at) "
                        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    if (!statement.ok() || statement.Bind(1, record.service)
                                   .Bind(2, record.address)
                                   .Bind(3, record.albumKey)
                                   .Bind(4, record.albumName)
                                   .Bind(5, record.pictureId)
                                   .Bind(6, record.path)
                                   .Bind(7, record.size)
                                   .Bind(8, record.sha256)
                                   .Bind(9, record.savedAt)
                                   .Step() != SQLITE_DONE) {
        error = LastError();
        return false;
    }
    return true;
}

bool DownloadArchive::UpdatePath(const QString& service, const QString& address,
                                 const QString& path, QString& error) {
    Statement statement(db_, "UPDATE pictures SET path = ?3 WHERE service = ?1 AND address = ?2");
    if (!statement.ok() ||
        statement.Bind(1, service).Bind(2, address).Bind(3, path).Step() != SQLITE_DONE) {
        error = LastError();
        return false;
    }
    return true;
}

std::optional<QList<ArchiveAlbumCount>> DownloadArchive::Counts(QString& error) {
    Statement statement(db_,
                        "SELECT service, album_key, "
                        " (SELECT album_name FROM pictures p WHERE p.service = q.service AND "
                        "  p.album_key = q.album_key ORDER BY saved_at DESC, rowid DESC LIMIT 1),"
                        " count(*), sum(size) FROM pictures q "
                        "GROUP BY service, album_key ORDER BY min(rowid)");
    if (!statement.ok()) {
        error = LastError();
        return std::nullopt;
    }
    QList<ArchiveAlbumCount> counts;
    int step = SQLITE_ROW;
    while ((step = statement.Step()) == SQLITE_ROW) {
        counts.append({statement.Text(0), statement.Text(1), statement.Text(2),
                       static_cast<int>(statement.Number(3)), statement.Number(4)});
    }
    if (step != SQLITE_DONE) {
        error = LastError();
        return std::nullopt;
    }
    return counts;
}

std::optional<QList<ArchiveRecord>> DownloadArchive::Records(QString& error) {
    Statement statement(db_,
                        "SELECT service, address, album_key, album_name, picture_id, path, size, "
                        "sha256, saved_at FROM pictures ORDER BY rowid");
    if (!statement.ok()) {
        error = LastError();
        return std::nullopt;
    }
    QList<ArchiveRecord> records;
    int step = SQLITE_ROW;
    while ((step = statement.Step()) == SQLITE_ROW) {
        records.append({statement.Text(0), statement.Text(1), statement.Text(2), statement.Text(3),
                        statement.Text(4), statement.Text(5), statement.Number(6),
                        statement.Text(7), statement.Number(8)});
    }
    if (step != SQLITE_DONE) {
        error = LastError();
        return std::nullopt;
    }
    return records;
}

int DownloadArchive::ForgetMissing(QString& error) {
    const std::optional<QList<ArchiveRecord>> records = Records(error);
    if (!records) {
        return -1;
    }
    if (!Execute(db_, "BEGIN IMMEDIATE")) {
        error = LastError();
        return -1;
    }
    int forgotten = 0;
    for (const ArchiveRecord& record : *records) {
        if (QFileInfo::exists(record.path)) {
            continue;
        }
        Statement statement(db_, "DELETE FROM pictures WHERE service = ?1 AND address = ?2");
        if (!statement.ok() ||
            statement.Bind(1, record.service).Bind(2, record.address).Step() != SQLITE_DONE) {
            error = LastError();
            Execute(db_, "ROLLBACK");
            return -1;
        }
        ++forgotten;
    }
    if (!Execute(db_, "COMMIT")) {
        error = LastError();
        Execute(db_, "ROLLBACK");
        return -1;
    }
    return forgotten;
}

QString ArchiveServiceOf(int listType) {
    return listType == LIST_TYPE_XIANGCE ? QStringLiteral("xiangce") : QStringLiteral("tieba");
}

QString FileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        return QString();
    }
    return QString::fromLatin1(hash.result().toHex());
}
