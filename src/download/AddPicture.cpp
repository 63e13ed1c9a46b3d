#include "download/AddPicture.h"

#include "download/JobEvents.h"
#include "download/ListFiles.h"
#include "download/NamingClash.h"
#include "download/NamingText.h"
#include "text/StringCtrl.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>
#include <utility>

namespace {

constexpr unsigned kTimeStampFallback = 0xFFFF;
// Names are cut so that the album folder and the name stay within 250 characters, but never
// below this many: on Linux the album folder is an absolute path and may be long.
constexpr qsizetype kPathLimit = 250;
constexpr qsizetype kShortestCut = 32;

QString PaddedPosition(const ST_PERLISTRECORD& album) {
    return QStringLiteral("%1").arg(album.nIndex + 1, 4, 10, QLatin1Char('0'));
}

// The name before prefix, suffix and escape codes, by the file-name mode.
QString BaseName(uint8_t mode, const QString& address, const QString& sourceName,
                 const ST_PERLISTRECORD& album, const QString& number) {
    if (mode == FILE_NAME_SOURCE) {
        QString base = sourceName;
        CleanFileName(base, 0, false);
        return base.isEmpty() ? album.strName : base;
    }
    if (mode == FILE_NAME_ADDRESS) {
        const qsizetype slash = address.lastIndexOf(QLatin1Char('/'));
        return slash > 0 ? address.mid(slash + 1) : number;
    }
    return number;
}

// Replaces the nine escape codes in their fixed order, so that a code brought in by an earlier
// replacement is replaced by a later one.
void ReplaceEscapeCodes(QString& name, const NamingJob& job, const ST_PERLISTRECORD& album,
                        const QString& number) {
    if (!name.contains(QLatin1Char('?'))) {
        return;
    }
    const std::pair<QLatin1String, QString> codes[] = {
        {QLatin1String("?1"), album.strName},
        {QLatin1String("?2"), number},
        {QLatin1String("?3"), QString::number(album.nIndex + 1)},
        {QLatin1String("?4"), QString::number(album.nRating)},
        {QLatin1String("?5"), QString::number(album.nExtra)},
        {QLatin1String("?6"), QString::number(job.chosenAlbums)},
        {QLatin1String("?7"), QString::number(job.listedAlbums)},
        {QLatin1String("?8"), job.accountFolder},
        {QLatin1String("?9"), PaddedPosition(album)},
    };
    for (const auto& [code, value] : codes) {
        name.replace(code, value);
    }
}

// Adds the album's folder name to the batch's folder, creates the folder, takes its lock and
// reads its marker; false when another process holds the lock.
bool BuildAlbumFolder(const SaveRules& rules, JobFolders& folders, AlbumNaming& naming) {
    const ST_PERLISTRECORD& album = naming.album;
    QString folder = rules.albumNameMode == ALBUM_NAME_ALBUM ? album.strName : QString();
    folder = rules.albumPrefix + folder + rules.albumSuffix;
    folder.replace(QLatin1String("?1"), album.strName);
    folder.replace(QLatin1String("?3"), QString::number(album.nIndex + 1));
    folder.replace(QLatin1String("?9"), PaddedPosition(album));
    CleanFileName(folder, 0, false);
    ReplaceInvalidUnits(folder);
    StripLeadingDots(folder);
    CutToUtf8Bytes(folder, kNameMaxBytes - kListExtensionBytes);
    if (!folder.isEmpty() && rules.albumNameMode == ALBUM_NAME_ALBUM) {
        // Without the album name all albums share the folder on purpose.
        folder = folders.Claim(folder, album);
    }

    DownloadBatch& batch = naming.batch;
    batch.albumFolder = folders.jobFolder();
    if (!folder.isEmpty()) {
        batch.albumFolder += folder + QLatin1Char('/');
    }
    QDir().mkdir(batch.albumFolder);  // an existing folder or a failure is no concern here
    if (!folders.Lock(batch.albumFolder)) {
        return false;
    }
    naming.lastFirstAddress = ReadDownloadedMarker(batch.albumFolder);
    return true;
}

// Splits a picture extension off the name; ".jpg" when the name has none.
QString SplitExtension(QString& name) {
    if (!HasPictureExtension(name)) {
        return QStringLiteral(".jpg");
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QString extension = name.mid(dot);
    name.truncate(dot);
    return extension;
}

// Finds or creates one level; false with the system's reason when it is neither there as a
// folder nor can be made.
bool MakeFolderLevel(const QString& level, QString& reason) {
    const QFileInfo info(level);
    if (info.exists()) {
        if (!info.isDir()) {
            reason = QStringLiteral("not a folder");
            return false;
        }
        return true;
    }
    const QByteArray utf8 = level.toUtf8();
    std::error_code ec;
    std::filesystem::create_directory(
        std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), ec);
    if (ec && !QFileInfo(level).isDir()) {
        reason = QString::fromStdString(ec.message());
        return false;
    }
    return true;
}

}  // namespace

QString JobFolders::Claim(const QString& folderName, const ST_PERLISTRECORD& album) {
    // Names that differ only in what cleaning and cutting remove would otherwise share a folder,
    // where their pictures overwrite each other.
    const QString owner = QString::number(listType_) + QLatin1Char(':') + album.strKey;
    QString candidate = folderName;
    for (unsigned n = 1;; ++n) {
        const auto holder = used_.constFind(candidate.toCaseFolded());
        const bool ours = holder == used_.constEnd() || *holder == album.nIndex;
        if (ours && (!owners_ || owners_->TryClaim(jobFolder_ + candidate, owner))) {
            break;
        }
        const QString number = QStringLiteral(" (%1)").arg(n);
        candidate = folderName;
        CutToUtf8Bytes(candidate, kNameMaxBytes - kListExtensionBytes - Utf8Length(number));
        candidate += number;
    }
    used_.insert(candidate.toCaseFolded(), album.nIndex);
    return candidate;
}

bool JobFolders::Lock(const QString& folder) {
    const QString key = FolderKey(folder);
    if (locks_.count(key) != 0) {
        return true;
    }
    FileLock lock = FileLock::TryFolder(folder);
    if (!lock.held()) {
        // A folder that cannot be opened (it could not be made) holds nothing to protect: its
        // pictures fail one by one, as they did.
        return !lock.busy();
    }
    locks_.emplace(key, std::move(lock));
    return true;
}

NamingOutcome AddPicture(const NamingJob& job, JobFolders& folders, AlbumNaming& naming,
                         const PictureEntry& entry) {
    DownloadBatch& batch = naming.batch;
    const SaveRules& rules = job.rules;
    const ST_PERLISTRECORD& album = naming.album;
    const bool first = batch.size() == 0;
    const QString number = QString::number(batch.size() + 1);
    PlannedPicture picture;
    picture.addresses.append(entry.address);
    if (!entry.fallback.isEmpty()) {
        picture.addresses.append(entry.fallback);
    }
    const QString address = picture.AddressEntry();

    QString name = rules.filePrefix +
                   BaseName(rules.fileNameMode, address, entry.description, album, number) +
                   rules.fileSuffix;
    ReplaceEscapeCodes(name, job, album, number);
    ReplaceList(name, rules.replaceFrom, rules.replaceTo);
    CleanFileName(name, kTimeStampFallback, true);
    ReplaceInvalidUnits(name);
    StripLeadingDots(name);
    if (name.isEmpty()) {
        name = number;
    }
    const QString numberingBase = name;

    if (first && !BuildAlbumFolder(rules, folders, naming)) {
        return NamingOutcome::FolderBusy;
    }
    CutToUnits(name, qMax(kPathLimit - batch.albumFolder.size(), kShortestCut));
    const QString extension = SplitExtension(name);
    CutToUtf8Bytes(name, kNameMaxBytes - Utf8Length(extension));
    if (name.isEmpty()) {
        name = number;
    }
    const NameChoice choice = ChooseUniqueName(batch, name, numberingBase, extension);

    if ((rules.optionFlags & OPT_SKIP_DOWNLOADED) && !naming.lastFirstAddress.isEmpty() &&
        address == naming.lastFirstAddress) {
        return NamingOutcome::SkipRule;
    }
    picture.fileName = choice.fileName;
    picture.extraHeaders = entry.extraHeaders;
    picture.id = entry.id;
    TakeName(batch, choice);
    batch.pictures.push_back(std::move(picture));
    if (rules.optionFlags & OPT_SOURCE_NAMES) {
        AppendSourceName(
            batch.albumFolder + ListFileBaseName(album.strName) + QStringLiteral(".txt"),
            entry.description, first);
    }
    return NamingOutcome::Planned;
}

bool HasPictureExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return false;
    }
    const QString extension = name.mid(dot).toLower();
    for (const char* known : {".jpeg", ".jpg", ".bmp", ".gif", ".png", ".tif"}) {
        if (extension == QLatin1String(known)) {
            return true;
        }
    }
    return false;
}

bool MakeFolderChain(QString& path, JobView& view, QString* error) {
    path = path.trimmed();
    if (QDir::isRelativePath(path)) {
        path = QDir::currentPath() + QLatin1Char('/') + path;
    }
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    // Every level below the root, shortest first.
    for (qsizetype slash = path.indexOf(QLatin1Char('/'), 1); slash > 0;
         slash = path.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString level = path.left(slash);
        QString reason;
        if (!MakeFolderLevel(level, reason)) {
            if (error != nullptr) {
                *error = level + QStringLiteral(": ") + reason;
            }
            view.ShowMessage(level, QStringLiteral("提示"));
            return false;
        }
    }
    return true;
}
