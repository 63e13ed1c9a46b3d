// quorvix-cli archive FILE: what a download archive holds, per album, and the removal of the
// records whose files are gone.

#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/TerminalText.h"
#include "download/DownloadArchive.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

void PrintCounts(const QList<ArchiveAlbumCount>& counts, bool json) {
    if (json) {
        QJsonArray array;
        for (const ArchiveAlbumCount& album : counts) {
            array.append(QJsonObject{{QStringLiteral("service"), album.service},
                                     {QStringLiteral("key"), album.albumKey},
                                     {QStringLiteral("name"), album.albumName},
                                     {QStringLiteral("pictures"), album.pictures},
                                     {QStringLiteral("bytes"), album.bytes}});
        }
        std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), stdout);
        return;
    }
    int pictures = 0;
    qint64 bytes = 0;
    for (const ArchiveAlbumCount& album : counts) {
        std::printf("%s\t%s\t%d\t%lld\n", qPrintable(album.service),
                    qPrintable(TerminalSafe(album.albumName)), album.pictures,
                    static_cast<long long>(album.bytes));
        pictures += album.pictures;
        bytes += album.bytes;
    }
    std::fprintf(stderr, "Albums: %lld, pictures: %d, bytes: %lld\n",
                 static_cast<long long>(counts.size()), pictures, static_cast<long long>(bytes));
}

}  // namespace

int RunArchiveCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Show what a download archive holds: one line per album with its service, name,\n"
        "pictures and bytes. --forget-missing first drops the records whose files no longer\n"
        "exist, so that the next download fetches those pictures again."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The archive."));
    parser.addOptions({
        {QStringLiteral("json"),
         QStringLiteral("Print a JSON array of {service, key, name, pictures, bytes}.")},
        {QStringLiteral("forget-missing"),
         QStringLiteral("Drop the records whose files no longer exist, and say how many.")},
        {{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all")},
         QStringLiteral("Show this help.")},
    });
    if (const int status = ParseCommand(parser, arguments, "quorvix-cli archive [options] FILE");
        status >= 0) {
        return status;
    }
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "quorvix-cli archive: give one FILE (see --help)\n");
        return EXIT_USAGE;
    }
    const QString path = parser.positionalArguments().first();
    QString error;
    // Only --forget-missing writes: a read-only archive (a backup, a read-only mount) can be shown.
    const std::unique_ptr<DownloadArchive> archive =
        parser.isSet(QStringLiteral("forget-missing"))
            ? DownloadArchive::OpenExisting(path, error)
            : DownloadArchive::OpenForReading(path, error);
    if (!archive) {
        std::fprintf(stderr, "quorvix-cli archive: %s: %s\n", qPrintable(TerminalSafe(path)),
                     qPrintable(TerminalSafe(error)));
        return EXIT_USAGE;
    }
    if (parser.isSet(QStringLiteral("forget-missing"))) {
        const int forgotten = archive->ForgetMissing(error);
        if (forgotten < 0) {
            std::fprintf(stderr, "quorvix-cli archive: %s: %s\n", qPrintable(TerminalSafe(path)),
                         qPrintable(TerminalSafe(error)));
            return EXIT_USAGE;
        }
        std::fprintf(stderr, "Forgot %d pictures whose files are missing.\n", forgotten);
    }
    const std::optional<QList<ArchiveAlbumCount>> counts = archive->Counts(error);
    if (!counts) {
        std::fprintf(stderr, "quorvix-cli archive: %s: %s\n", qPrintable(TerminalSafe(path)),
                     qPrintable(TerminalSafe(error)));
        return EXIT_USAGE;
    }
    PrintCounts(*counts, parser.isSet(QStringLiteral("json")));
    return EXIT_DONE;
}
