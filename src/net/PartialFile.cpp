#include "net/PartialFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr char kPartSuffix[] = ".quorvix-part";
constexpr char kValidatorSuffix[] = ".quorvix-validator";
constexpr QByteArrayView kValidatorHeading = "quorvix-validator 2\n";
constexpr qsizetype kLongestAddress = 64 * 1024;
constexpr qsizetype kLongestValidator = 1024;
constexpr qsizetype kNameMaxBytes = 255;

// A number of decimal digits only (no sign, no blanks), at most 18 digits.
std::optional<qint64> Digits(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 18) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// What may stand in a header line: printable ASCII, no line ends.
bool HeaderSafe(QByteArrayView text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

// The base the two files are named from: the file's own name, or, when the longer suffix would
// not fit a file name (255 bytes), a short name derived from it.
QString BaseFor(const QString& savePath) {
    const qsizetype slash = savePath.lastIndexOf(QLatin1Char('/'));
    const QString name = savePath.mid(slash + 1);
    if (name.toUtf8().size() + qstrlen(kValidatorSuffix) <= kNameMaxBytes) {
        return savePath;
    }
    const QByteArray digest =
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return savePath.left(slash + 1) + QStringLiteral("qv-") + QString::fromLatin1(digest);
}

}  // namespace

std::optional<ContentRange> ParseContentRange(const QByteArray& value) {
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes ")) {
        return std::nullopt;
    }
    const QByteArray spec = text.mid(6).trimmed();
    const qsizetype dash = spec.indexOf('-');
    const qsizetype slash = spec.indexOf('/');
    if (dash <= 0 || slash <= dash + 1) {
        return std::nullopt;
    }
    const std::optional<qint64> first = Digits(QByteArrayView(spec).first(dash));
    const std::optional<qint64> last =
        Digits(QByteArrayView(spec).sliced(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first) {
        return std::nullopt;
    }
    ContentRange range{*first, *last, -1};
    const QByteArrayView total = QByteArrayView(spec).sliced(slash + 1);
    if (total != "*") {
        const std::optional<qint64> known = Digits(total);
        if (!known || *last >= *known) {
            return std::nullopt;
        }
        range.total = *known;
    }
    return range;
}

std::optional<QByteArray> HeaderValue(const QByteArray& headerBlock, const char* name) {
    const QByteArray wanted = QByteArray(name) + ':';
    for (const QByteArray& raw : headerBlock.split('\n')) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.size() >= wanted.size() &&
            line.left(wanted.size()).compare(wanted, Qt::CaseInsensitive) == 0) {
            return line.mid(wanted.size()).trimmed();
        }
    }
    return std::nullopt;
}

QByteArray ResumeValidator(const QByteArray& headerBlock) {
    const std::optional<QByteArray> ranges = HeaderValue(headerBlock, "Accept-Ranges");
    if (ranges && ranges->compare("none", Qt::CaseInsensitive) == 0) {
        return {};
    }
    // A weak ETag may not stand in If-Range.
    const std::optional<QByteArray> etag = HeaderValue(headerBlock, "ETag");
    if (etag && !etag->isEmpty() && !etag->startsWith("W/") && HeaderSafe(*etag) &&
        etag->size() <= kLongestValidator) {
        return *etag;
    }
    const std::optional<QByteArray> modified = HeaderValue(headerBlock, "Last-Modified");
    if (modified && !modified->isEmpty() && HeaderSafe(*modified) &&
        modified->size() <= kLongestValidator) {
        return *modified;
    }
    return {};
}

QByteArray ValidatorFileContent(const KeptValidator& kept) {
    return kValidatorHeading.toByteArray() + kept.validator + '\n' + kept.address + '\n';
}

std::optional<KeptValidator> ParseValidatorFile(const QByteArray& content) {
    if (!content.startsWith(kValidatorHeading) || !content.endsWith('\n')) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = content.sliced(kValidatorHeading.size()).chopped(1).split('\n');
    if (lines.size() != 2) {
        return std::nullopt;
    }
    const KeptValidator kept{lines[0], lines[1]};
    if (kept.validator.isEmpty() || kept.validator.size() > kLongestValidator ||
        !HeaderSafe(kept.validator) || kept.address.isEmpty() ||
        kept.address.size() > kLongestAddress || !HeaderSafe(kept.address)) {
        return std::nullopt;
    }
    return kept;
}

PartialFile::PartialFile(const QString& savePath) {
    const QString base = BaseFor(savePath);
    path_ = base + QLatin1String(kPartSuffix);
    validatorPath_ = base + QLatin1String(kValidatorSuffix);
}

std::optional<PartialFile::Resume> PartialFile::Prepare(const QByteArray& address) const {
    const QFileInfo partial(path_);
    std::optional<KeptValidator> kept;
    QFile file(validatorPath_);
    if (file.open(QIODevice::ReadOnly)) {
        kept = ParseValidatorFile(file.read(kLongestValidator + kLongestAddress + 64));
    }
    if (!kept || kept->address != address || !partial.isFile() || partial.size() <= 0) {
        Discard();
        return std::nullopt;
    }
    return Resume{partial.size(), kept->validator};
}

void PartialFile::KeepValidator(const KeptValidator& kept) const {
    if (kept.validator.isEmpty()) {
        QFile::remove(validatorPath_);
        return;
    }
    QSaveFile file(validatorPath_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(ValidatorFileContent(kept));
        file.commit();
    }
}

bool PartialFile::HasValidator() const {
    return QFileInfo::exists(validatorPath_);
}

void PartialFile::Discard() const {
    QFile::remove(path_);
    QFile::remove(validatorPath_);
}
