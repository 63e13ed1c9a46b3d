#include "cli/TransferOptions.h"

#include "app/LinuxSettings.h"
#include "cli/TerminalText.h"
#include "download/DownloadArchive.h"

#include <QDir>

#include <cstdio>

void AddTransferOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("archive"),
         QStringLiteral("Keep a download archive in FILE (SQLite): pictures it holds are not "
                        "fetched again, even when their files were moved or deleted; each "
                        "picture saved is recorded. See 'quorvix-cli archive'."),
         QStringLiteral("FILE")},
        {QStringLiteral("no-archive"),
         QStringLiteral("Do not use the download archive that quorvix.ini turns on.")},
    });
}

bool ReadTransferOptions(const QCommandLineParser& parser, TransferOptions& out) {
    out.noArchive = parser.isSet(QStringLiteral("no-archive"));
    if (parser.isSet(QStringLiteral("archive"))) {
        if (out.noArchive) {
            std::fprintf(stderr,
                         "quorvix-cli download: --archive and --no-archive exclude each other\n");
            return false;
        }
        out.archive = QDir::current().absoluteFilePath(parser.value(QStringLiteral("archive")));
    }
    return true;
}

void ApplyTransferOptions(const TransferOptions& options, DownloadJobInputs& inputs) {
    if (options.noArchive) {
        inputs.archivePath.clear();
    } else if (options.archive) {
        inputs.archivePath = *options.archive;
    }
}

QString ArchiveOfRun(const TransferOptions& options, const QString& settingsFolder) {
    if (options.noArchive) {
        return QString();
    }
    if (options.archive) {
        return *options.archive;
    }
    const LinuxSettings settings = LoadLinuxSettings(settingsFolder);
    return settings.archive ? ArchiveFileOf(settings, settingsFolder) : QString();
}

bool CheckArchive(const QString& path) {
    if (path.isEmpty()) {
        return true;
    }
    QString error;
    if (!DownloadArchive::Open(path, error)) {
        std::fprintf(stderr, "quorvix-cli download: download archive %s: %s\n",
                     qPrintable(TerminalSafe(path)), qPrintable(TerminalSafe(error)));
        return false;
    }
    return true;
}
