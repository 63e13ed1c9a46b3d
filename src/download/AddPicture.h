#pragma once
// Naming a listed picture: its file name from the naming rules, the album folder, unique names
// within the album and the rule that skips pictures downloaded before.

#include "download/DownloadBatch.h"
#include "download/FolderOwners.h"
#include "download/SaveRules.h"
#include "net/FileLock.h"
#include "sources/AlbumRecord.h"
#include "sources/PictureEntry.h"

#include <QHash>
#include <QString>

#include <map>
#include <optional>

class JobView;

// The job-wide values that names read.
struct NamingJob {
    SaveRules rules;
    QString accountFolder;      // naming code ?8
    uint32_t chosenAlbums = 0;  // naming code ?6
    uint32_t listedAlbums = 0;  // naming code ?7
};

// The album folders one job gives out: no two albums share one (ignoring letter case), within
// the job or, through the owners' records, with an album of an earlier job; albums without an
// album-name folder share the job folder on purpose. The job writes into a folder only while it
// holds the folder's lock.
class JobFolders {
public:
    // recordFile: where the folders' owners are recorded (empty: only the job's own folders
    // count); listType tells the albums of one key but of other services apart in the records.
    explicit JobFolders(const QString& jobFolder, const QString& recordFile = QString(),
                        int listType = -1)
        : jobFolder_(jobFolder), listType_(listType) {
        if (!recordFile.isEmpty()) {
            owners_.emplace(recordFile);
        }
    }
    // The job folder: the save path with the account and sub folders, ending with "/".
    const QString& jobFolder() const { return jobFolder_; }
    // The folder name for the album: the name itself, or, when another album (of this job, or
    // one recorded as its owner) has it already, the name numbered " (n)" with the smallest
    // free n. The album is recorded as the folder's owner.
    QString Claim(const QString& folderName, const ST_PERLISTRECORD& album);
    // Takes the folder's lock for the rest of the job; false while another process holds it.
    bool Lock(const QString& folder);

private:
    QString jobFolder_;
    std::optional<FolderOwners> owners_;
    int listType_;
    QHash<QString, uint32_t> used_;      // case-folded folder name -> album position
    std::map<QString, FileLock> locks_;  // by case-folded folder
};

// One album's naming state within a job.
struct AlbumNaming {
    ST_PERLISTRECORD album;
    DownloadBatch batch;       // albumFolder is the job folder until the first picture arrives
    QString lastFirstAddress;  // the album folder's marker, read with the first picture
};

enum class NamingOutcome {
    Planned,     // the picture was appended to the album's batch
    SkipRule,    // the picture was downloaded before: the album's listing ends here
    FolderBusy,  // another process writes into the album's folder: the album is left out
};

// Names one listed picture of the album and appends it to the album's batch. With the first
// picture the album folder is made (and its marker read). Under the skip rule the picture is not
// added. File names are bare names within the album folder, at most 255 bytes of UTF-8.
NamingOutcome AddPicture(const NamingJob& job, JobFolders& folders, AlbumNaming& naming,
                         const PictureEntry& entry);

// True when the name's text from its last "." on, lower-cased, is a picture extension.
bool HasPictureExtension(const QString& name);

// Normalises the folder path in place (trimmed, absolute, ending with "/") and creates every
// missing level. On failure shows the first level that can be neither found nor created and
// returns false with the reason in `error`.
bool MakeFolderChain(QString& path, JobView& view, QString* error = nullptr);
