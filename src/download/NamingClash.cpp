#include "download/NamingClash.h"

#include "download/DownloadBatch.h"
#include "download/NamingText.h"

namespace {

bool IsTaken(const DownloadBatch& batch, const QString& fileName) {
    return batch.foldedNames.contains(fileName.toCaseFolded());
}

QString Marker(const QString& key, unsigned k) {
    return key + QString::number(k);
}

// The largest k whose marker is present; markers of one key always run from 1 without a gap.
unsigned MarkedRun(const DownloadBatch& batch, const QString& key) {
    if (!batch.foldedNames.contains(Marker(key, 1))) {
        return 0;
    }
    unsigned present = 1;
    unsigned absent = 2;
    while (batch.foldedNames.contains(Marker(key, absent))) {
        present = absent;
        absent *= 2;
    }
    while (absent - present > 1) {
        const unsigned middle = present + (absent - present) / 2;
        if (batch.foldedNames.contains(Marker(key, middle))) {
            present = middle;
        } else {
            absent = middle;
        }
    }
    return present;
}

QString NumberedName(const QString& numberingBase, unsigned k, const QString& extension) {
    const QString number = QStringLiteral("(%1)").arg(k);
    QString base = numberingBase;
    CutToUtf8Bytes(base, kNameMaxBytes - Utf8Length(number) - Utf8Length(extension));
    return base + number + extension;
}

}  // namespace

NameChoice ChooseUniqueName(DownloadBatch& batch, const QString& name, const QString& numberingBase,
                            const QString& extension) {
    const QString plain = name + extension;
    if (!IsTaken(batch, plain)) {
        return {plain, QString()};
    }
    const QString key = numberingBase + QLatin1Char('/') + extension + QLatin1Char('/');
    for (unsigned k = MarkedRun(batch, key) + 1;; ++k) {
        QString numbered = NumberedName(numberingBase, k, extension);
        if (!IsTaken(batch, numbered)) {
            return {numbered, Marker(key, k)};
        }
        batch.foldedNames.insert(Marker(key, k));
    }
}

void TakeName(DownloadBatch& batch, const NameChoice& choice) {
    batch.foldedNames.insert(choice.fileName.toCaseFolded());
    if (!choice.marker.isEmpty()) {
        batch.foldedNames.insert(choice.marker);
    }
}

void RenameBatchEntry(DownloadBatch& batch, int i, const QString& fileName) {
    QString& entry = batch.pictures[static_cast<size_t>(i)].fileName;
    if (entry == fileName) {
        return;
    }
    batch.foldedNames.remove(entry.toCaseFolded());
    batch.foldedNames.insert(fileName.toCaseFolded());
    entry = fileName;
}
