#include "app/SettingsBlock.h"

#include "net/FileLock.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace {

// Byte layout of the file.
constexpr int kParamsSize = 8;
constexpr int kRuleTextBytes = kRuleTextUnits * 2;
constexpr int kRuleTextCount = 6;
constexpr int kRuleFlagsOffset = kRuleTextCount * kRuleTextBytes;  // within one SaveRules
constexpr int kRuleSize = kRuleFlagsOffset + 4;
constexpr int kHistoryEntryBytes = kHistoryUnits * 2;
constexpr int kParamsOffset = 0;
constexpr int kRulesOffset = kParamsOffset + kSourceKindSlots * kParamsSize;
constexpr int kAddressHistoryOffset = kRulesOffset + kSourceKindSlots * kRuleSize;
constexpr int kSavePathHistoryOffset = kAddressHistoryOffset + kHistoryEntries * kHistoryEntryBytes;
static_assert(kRuleSize == 484);
static_assert(kSavePathHistoryOffset + kHistoryEntries * kHistoryEntryBytes == kSettingsFileSize);

constexpr int kMaxThreadCount = 15;
constexpr uint16_t kDefaultThreadCount = 5;
constexpr uint16_t kMinTimeoutSec = 10;
constexpr uint16_t kDefaultTimeoutSec = 30;

// Writes into a zero-filled image of fixed size.
class ImageWriter {
public:
    explicit ImageWriter(QByteArray& image) : image_(image) {}
    void put8(int offset, uint8_t value) { image_[offset] = static_cast<char>(value); }
    void put16(int offset, uint16_t value) {
        put8(offset, static_cast<uint8_t>(value & 0xFF));
        put8(offset + 1, static_cast<uint8_t>(value >> 8));
    }
    // The field stays zero after the text, so the terminator is already there.
    void putText(int offset, int fieldUnits, const QString& text) {
        qsizetype count = std::min<qsizetype>(text.size(), fieldUnits - 1);
        if (count < text.size() && count > 0 && text.at(count - 1).isHighSurrogate()) {
            --count;  // keep surrogate pairs whole
        }
        for (qsizetype i = 0; i < count; ++i) {
            put16(offset + static_cast<int>(i) * 2, text.at(i).unicode());
        }
    }

private:
    QByteArray& image_;
};

// Reads from an image of any size; bytes beyond its end read as zero.
class ImageReader {
public:
    explicit ImageReader(const QByteArray& image)
        : image_(image), size_(std::min<qsizetype>(image.size(), kSettingsFileSize)) {}
    uint8_t get8(int offset) const {
        return offset < size_ ? static_cast<uint8_t>(image_.at(offset)) : 0;
    }
    uint16_t get16(int offset) const {
        return static_cast<uint16_t>(get8(offset) | (get8(offset + 1) << 8));
    }
    QString getText(int offset, int fieldUnits) const {
        QString text;
        for (int i = 0; i < fieldUnits; ++i) {
            const uint16_t unit = get16(offset + i * 2);
            if (unit == 0) {
                break;
            }
            text.append(QChar(unit));
        }
        return text;
    }

private:
    const QByteArray& image_;
    qsizetype size_;
};

// The six texts of a SaveRules record, in file order.
template <typename Rules>
auto RuleTexts(Rules& rules) {
    return std::array{&rules.filePrefix, &rules.fileSuffix,  &rules.replaceFrom,
                      &rules.replaceTo,  &rules.albumPrefix, &rules.albumSuffix};
}

QString SettingsFilePath(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
        return folder + QLatin1String(kSettingsFileName);
    }
    return folder + QLatin1Char('/') + QLatin1String(kSettingsFileName);
}

void RepairParams(DownloadParams& params) {
    if (params.threadCount == 0 || params.threadCount > kMaxThreadCount) {
        params.threadCount = kDefaultThreadCount;
    }
    if (params.timeoutSec < kMinTimeoutSec) {
        params.timeoutSec = kDefaultTimeoutSec;
    }
}

// Defaults of a first start for the kinds that need more than the repairs.
void ApplyFirstRunDefaults(SettingsBlock& block) {
    block.saveRules[7].optionFlags |= OPT_FIX_ORDER | OPT_LARGE_IMAGES;
    block.saveRules[8].fileNameMode = FILE_NAME_SEQUENCE;
    block.saveRules[11].optionFlags |= OPT_FIX_ORDER;
    block.saveRules[16].optionFlags |= OPT_FIX_ORDER;
}

// Reads the file; false when it cannot be opened or read.
bool ReadSettingsFile(const QString& path, QByteArray& image) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    image.clear();
    while (image.size() < kSettingsFileSize) {
        const QByteArray chunk = file.read(kSettingsFileSize - image.size());
        if (chunk.isEmpty()) {
            return file.error() == QFileDevice::NoError;
        }
        image.append(chunk);
    }
    return true;
}

}  // namespace

QByteArray EncodeSettings(const SettingsBlock& block) {
    QByteArray image(kSettingsFileSize, '\0');
    ImageWriter out(image);
    for (int kind = 0; kind < kSourceKindSlots; ++kind) {
        const DownloadParams& params = block.downloadParams[kind];
        const int at = kParamsOffset + kind * kParamsSize;
        out.put16(at, params.minSizeKb);
        out.put16(at + 2, params.maxSizeKb);
        out.put16(at + 4, params.threadCount);
        out.put16(at + 6, params.timeoutSec);
    }
    for (int kind = 0; kind < kSourceKindSlots; ++kind) {
        const SaveRules& rules = block.saveRules[kind];
        const int at = kRulesOffset + kind * kRuleSize;
        int textAt = at;
        for (const QString* text : RuleTexts(rules)) {
            out.putText(textAt, kRuleTextUnits, *text);
            textAt += kRuleTextBytes;
        }
        out.put16(at + kRuleFlagsOffset, rules.optionFlags);
        out.put8(at + kRuleFlagsOffset + 2, rules.fileNameMode);
        out.put8(at + kRuleFlagsOffset + 3, rules.albumNameMode);
    }
    for (int i = 0; i < kHistoryEntries; ++i) {
        out.putText(kAddressHistoryOffset + i * kHistoryEntryBytes, kHistoryUnits,
                    block.addressHistory[i]);
        out.putText(kSavePathHistoryOffset + i * kHistoryEntryBytes, kHistoryUnits,
                    block.savePathHistory[i]);
    }
    return image;
}

SettingsBlock DecodeSettings(const QByteArray& image) {
    SettingsBlock block;
    const ImageReader in(image);
    for (int kind = 0; kind < kSourceKindSlots; ++kind) {
        DownloadParams& params = block.downloadParams[kind];
        const int at = kParamsOffset + kind * kParamsSize;
        params.minSizeKb = in.get16(at);
        params.maxSizeKb = in.get16(at + 2);
        params.threadCount = in.get16(at + 4);
        params.timeoutSec = in.get16(at + 6);
    }
    for (int kind = 0; kind < kSourceKindSlots; ++kind) {
        SaveRules& rules = block.saveRules[kind];
        const int at = kRulesOffset + kind * kRuleSize;
        int textAt = at;
        for (QString* text : RuleTexts(rules)) {
            *text = in.getText(textAt, kRuleTextUnits);
            textAt += kRuleTextBytes;
        }
        rules.optionFlags = in.get16(at + kRuleFlagsOffset);
        rules.fileNameMode = in.get8(at + kRuleFlagsOffset + 2);
        rules.albumNameMode = in.get8(at + kRuleFlagsOffset + 3);
    }
    for (int i = 0; i < kHistoryEntries; ++i) {
        block.addressHistory[i] =
            in.getText(kAddressHistoryOffset + i * kHistoryEntryBytes, kHistoryUnits);
        block.savePathHistory[i] =
            in.getText(kSavePathHistoryOffset + i * kHistoryEntryBytes, kHistoryUnits);
    }
    return block;
}

namespace {

// Hidden, beside the file, so the folder still shows only the settings.
QString LockPath(const QString& folder) {
    return folder + QLatin1Char('.') + QLatin1String(kSettingsFileName) + QStringLiteral(".lock");
}

}  // namespace

bool ChangeSettingsFile(SettingsBlock& block, const QString& folder,
                        const std::function<bool(SettingsBlock&)>& change) {
    const FileLock lock = FileLock::Exclusive(LockPath(folder));
    QByteArray image;
    SettingsBlock current = block;
    if (ReadSettingsFile(SettingsFilePath(folder), image)) {
        current = DecodeSettings(image);
        for (DownloadParams& params : current.downloadParams) {
            RepairParams(params);
        }
    }
    if (!change(current)) {
        block = current;
        return false;
    }
    SaveSettings(current, folder);
    block = current;
    return true;
}

bool LoadSettings(SettingsBlock& block, const QString& folder) {
    const FileLock lock = FileLock::Exclusive(LockPath(folder));
    QByteArray image;
    const bool fileRead = ReadSettingsFile(SettingsFilePath(folder), image);
    block = DecodeSettings(fileRead ? image : QByteArray());
    for (DownloadParams& params : block.downloadParams) {
        RepairParams(params);
    }
    if (!fileRead) {
        ApplyFirstRunDefaults(block);
    }
    SaveSettings(block, folder);
    return fileRead;
}

bool SaveSettings(const SettingsBlock& block, const QString& folder) {
    QSaveFile file(SettingsFilePath(folder));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray image = EncodeSettings(block);
    if (file.write(image) != image.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();  // flushes, syncs and renames; removes the temporary file on failure
}

bool AddHistoryEntry(SettingsBlock& block, int which, const QString& text) {
    if (which != HISTORY_ADDRESSES && which != HISTORY_SAVE_FOLDERS) {
        return false;
    }
    if (text.isEmpty() || text.size() >= kHistoryUnits) {
        return false;
    }
    auto& history = which == HISTORY_ADDRESSES ? block.addressHistory : block.savePathHistory;
    for (const QString& entry : history) {
        if (entry.compare(text, Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    for (int i = kHistoryEntries - 1; i > 0; --i) {
        history[i] = history[i - 1];
    }
    history[0] = text;
    return true;
}

SettingsBlock DefaultSettings() {
    SettingsBlock block = DecodeSettings(QByteArray());
    for (DownloadParams& params : block.downloadParams) {
        RepairParams(params);
    }
    ApplyFirstRunDefaults(block);
    return block;
}
