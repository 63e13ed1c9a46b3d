// Fuzz entry of picture naming: AddPicture with naming rules, an album name and page texts from
// the input, checked for names that stay inside the album folder and fit the file system.

#include "FuzzEntries.h"
#include "FuzzInput.h"

#include "app/AlbumList.h"
#include "download/AddPicture.h"
#include "download/NamingText.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

constexpr int kMaxPictures = 16;

struct Workspace {
    QTemporaryDir settings{QDir::tempPath() + QStringLiteral("/quorvix-fuzz-XXXXXX")};
    QTemporaryDir save{QDir::tempPath() + QStringLiteral("/quorvix-fuzz-XXXXXX")};
    QString jobFolder = save.path() + QStringLiteral("/job/");
};

Workspace& TheWorkspace() {
    static Workspace workspace;
    return workspace;
}

bool HasLoneSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            return true;
        }
    }
    return false;
}

// A single path component that the file system takes and that names no hidden file.
void CheckComponent(const QString& name, qsizetype maxBytes) {
    FUZZ_CHECK(!name.isEmpty());
    FUZZ_CHECK(!name.contains(QLatin1Char('/')));
    FUZZ_CHECK(!name.contains(QChar(0)));
    FUZZ_CHECK(!HasLoneSurrogate(name));
    FUZZ_CHECK(!name.startsWith(QLatin1Char('.')));
    FUZZ_CHECK(name.toUtf8().size() <= maxBytes);
}

}  // namespace

void FuzzPictureNaming(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const bool units = flags & 0x80;
    Workspace& space = TheWorkspace();
    QDir(space.jobFolder).removeRecursively();
    QDir().mkpath(space.jobFolder);

    NamingJob job;
    SaveRules& rules = job.rules;
    rules.fileNameMode = flags & 3;
    rules.albumNameMode = (flags >> 2) & 1;
    rules.optionFlags = (flags & 8 ? OPT_SOURCE_NAMES : 0) | (flags & 16 ? OPT_SKIP_DOWNLOADED : 0);
    rules.filePrefix = in.Text(units);
    rules.fileSuffix = in.Text(units);
    rules.replaceFrom = in.Text(units);
    rules.replaceTo = in.Text(units);
    rules.albumPrefix = in.Text(units);
    rules.albumSuffix = in.Text(units);
    AlbumList albums;
    ST_PERLISTRECORD album;
    album.strName = in.Text(units);
    album.strKey = QStringLiteral("key");
    albums.AddAlbum(album);
    job.chosenAlbums = 1;
    job.listedAlbums = 1;

    JobFolders folders(space.jobFolder);
    AlbumNaming naming;
    naming.album = albums.at(0);
    naming.batch.albumFolder = space.jobFolder;
    for (int i = 0; i < kMaxPictures && !in.AtEnd(); ++i) {
        PictureEntry entry;
        entry.address = in.Text(units);
        entry.description = in.Text(units);
        if (AddPicture(job, folders, naming, entry) == NamingOutcome::SkipRule) {
            break;
        }
    }

    const DownloadBatch& batch = naming.batch;
    FUZZ_CHECK(batch.albumFolder.startsWith(space.jobFolder));
    FUZZ_CHECK(batch.albumFolder.endsWith(QLatin1Char('/')));
    const QString albumFolder = batch.albumFolder.mid(space.jobFolder.size()).chopped(1);
    if (!batch.albumFolder.isEmpty() && batch.albumFolder != space.jobFolder) {
        CheckComponent(albumFolder, kNameMaxBytes - kListExtensionBytes);
    }
    QSet<QString> folded;
    for (const PlannedPicture& picture : batch.pictures) {
        const QString& fileName = picture.fileName;
        CheckComponent(fileName, kNameMaxBytes);
        FUZZ_CHECK(!folded.contains(fileName.toCaseFolded()));
        folded.insert(fileName.toCaseFolded());
        const QString path = QDir::cleanPath(batch.albumFolder + fileName);
        FUZZ_CHECK(path.startsWith(space.jobFolder));
    }
    // Only the album folder and its list files were made, all inside the job folder.
    const QStringList made =
        QDir(space.jobFolder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    FUZZ_CHECK(made.size() <= 1);
}
