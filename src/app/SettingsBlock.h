#pragma once
// The settings block: download parameters and naming rules for every source kind plus the two
// combo-box histories, kept in the settings folder as the fixed-size binary file "soft.dat".

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>

#include "download/SaveRules.h"

constexpr int kSourceKindSlots = 24;
constexpr int kHistoryEntries = 5;
constexpr int kHistoryUnits = 400;  // UTF-16 units per history entry, terminator included
constexpr int kRuleTextUnits = 40;  // UTF-16 units per SaveRules text, terminator included
constexpr int kSettingsFileSize = 19808;
inline constexpr char kSettingsFileName[] = "soft.dat";

struct SettingsBlock {
    std::array<DownloadParams, kSourceKindSlots> downloadParams{};
    std::array<SaveRules, kSourceKindSlots> saveRules{};
    std::array<QString, kHistoryEntries> addressHistory;   // entry 0 is the newest
    std::array<QString, kHistoryEntries> savePathHistory;  // entry 0 is the newest
};

// The file image: exactly kSettingsFileSize bytes, little-endian integers and UTF-16LE texts in
// zero-terminated fields. A text that does not fit keeps as many leading units as leave room for
// the terminator (never half of a surrogate pair).
QByteArray EncodeSettings(const SettingsBlock& block);
// Reads an image. A shorter image reads as far as it goes (the rest counts as zero bytes); a
// longer one is read up to kSettingsFileSize bytes. A field without a terminator keeps all its
// units.
SettingsBlock DecodeSettings(const QByteArray& image);

// Start-up load: reads "soft.dat" from the folder, repairs out-of-range thread counts and
// time-outs, applies the first-run defaults when the file could not be read, and writes the
// result back. Returns true when the file was read (not a first run).
bool LoadSettings(SettingsBlock& block, const QString& folder);
// The settings of a first run: the built-in rules and parameters, empty histories.
SettingsBlock DefaultSettings();
// Replaces "soft.dat" in the folder atomically (temporary file, sync, rename). Returns false when
// it cannot be written; the previous file is then left as it was.
bool SaveSettings(const SettingsBlock& block, const QString& folder);
// One change of the settings, applied to "soft.dat" as it is now (another process may have
// changed it since this one read it): under the file's lock the file is read again (the block
// given stands in when it cannot be read), `change` is applied and, when it returns true, the
// result is saved. The block given becomes the result. Returns what `change` returned.
bool ChangeSettingsFile(SettingsBlock& block, const QString& folder,
                        const std::function<bool(SettingsBlock&)>& change);

enum HistoryList : int {
    HISTORY_ADDRESSES = 0,
    HISTORY_SAVE_FOLDERS = 1,
};
// Puts the text in front of the chosen history (which: HISTORY_ADDRESSES or
// HISTORY_SAVE_FOLDERS), dropping the oldest entry. Returns false and changes nothing when the
// text is empty, too long for an entry, or already present ignoring letter case.
bool AddHistoryEntry(SettingsBlock& block, int which, const QString& text);
