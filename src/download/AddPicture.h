#pragma once
// Naming a listed picture: its file name from the naming rules, the album folder, unique names
// within the album and the rule that skips pictures downloaded before.

#include <QString>

class Harvest;
class HarvestView;

// Appends one picture of the album at albumIndex to the harvest's download batch (or, under the
// skip rule, sets jobState to JOB_STOP_LISTING instead; once it is set, further pictures of the
// album are not added). Runs on the download job thread; reads harvest.jobRules, the album
// record, the account folder and harvest.batch, and records the album's folder in
// harvest.jobAlbumFolders. File names are bare names within the album folder, at most 255 bytes
// of UTF-8.
void AddPicture(Harvest& harvest, int albumIndex, const QString& address, const QString& sourceName,
                const QString& extraHeaders);

// True when the name's text from its last "." on, lower-cased, is a picture extension.
bool HasPictureExtension(const QString& name);

// Normalises the folder path in place (trimmed, ending with "/") and creates every missing
// level. On failure shows the first level that can be neither found nor created and returns
// false.
bool MakeFolderChain(QString& path, HarvestView& view);
