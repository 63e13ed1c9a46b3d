// Fuzz entries of bytes that come from files and bodies: gzip inflation, the settings file
// "soft.dat" (written by other versions, or damaged) and the extension settings file.

#include "FuzzEntries.h"
#include "FuzzInput.h"

#include "app/ExtensionSettings.h"
#include "app/SettingsBlock.h"
#include "net/URLSource2.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// One folder for the files of every run of this process.
const QString& WorkFolder() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/quorvix-fuzz-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    return path;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

void FuzzInflateGzip(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    QByteArray out;
    const bool ended = InflateGzip(bytes, length, out);
    FUZZ_CHECK(out.size() <= kInflateCap);
    // Output already in the buffer stays in front; the cap counts from there.
    QByteArray appended("head");
    FUZZ_CHECK(InflateGzip(bytes, length, appended) == ended);
    FUZZ_CHECK(appended == QByteArray("head") + out);
}

void FuzzLoadSettings(const uint8_t* data, size_t size) {
    const QByteArray image(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The file image codec alone: one decode and encode settles every field.
    const QByteArray encoded = EncodeSettings(DecodeSettings(image));
    FUZZ_CHECK(encoded.size() == kSettingsFileSize);
    FUZZ_CHECK(EncodeSettings(DecodeSettings(encoded)) == encoded);

    // Start-up from such a file: read, repaired, written back whole; a second start reads the
    // same settings.
    const QString folder = WorkFolder();
    const QString path = folder + QLatin1String(kSettingsFileName);
    if (!WriteFile(path, image)) {
        return;
    }
    SettingsBlock block;
    FUZZ_CHECK(LoadSettings(block, folder));
    for (const DownloadParams& params : block.downloadParams) {
        FUZZ_CHECK(params.threadCount >= 1 && params.threadCount <= 15);
        FUZZ_CHECK(params.timeoutSec >= 10);
    }
    const QByteArray written = ReadFile(path);
    FUZZ_CHECK(written.size() == kSettingsFileSize);
    SettingsBlock again;
    FUZZ_CHECK(LoadSettings(again, folder));
    FUZZ_CHECK(EncodeSettings(again) == EncodeSettings(block));
    FUZZ_CHECK(ReadFile(path) == written);
}

void FuzzExtensionSettings(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString folder = WorkFolder();
    if (!WriteFile(folder + QString::fromUtf8(kExtensionSettingsFileName), bytes)) {
        return;
    }
    ExtensionSettings settings;
    settings.originalNameMethod = 7;
    ReadExtensionSettings(settings, folder);
    for (const int flags : {settings.pageDecoding1, settings.pageDecoding2}) {
        FUZZ_CHECK(flags == 0 || flags == TEXT_UTF8 || flags == TEXT_BIG5 ||
                   flags == TEXT_AUTO_UTF8);
    }
    FUZZ_CHECK(settings.priceInName == 0 || settings.priceInName == 1);

    // The reader on the decoded text with a section and key taken from the file's first line.
    const QString text = DecodeProfileText(bytes);
    const QString firstLine = text.section(QLatin1Char('\n'), 0, 0);
    const QString section = firstLine.section(QLatin1Char('='), 0, 0);
    const QString key = firstLine.section(QLatin1Char('='), 1, 1);
    const std::optional<QString> value = FindProfileValue(text, section, key);
    FUZZ_CHECK(!value || text.contains(*value));
    ReadProfileInt(text, section, key, 5);
}
