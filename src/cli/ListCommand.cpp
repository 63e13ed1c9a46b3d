#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/Interrupts.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"
#include "sources/PageFetch.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

void PrintTable(const AlbumList& albums) {
    for (int i = 0; i < albums.size(); ++i) {
        const ST_PERLISTRECORD album = albums.at(i);
        const QString line = QStringLiteral("%1\t%2\t%3\t%4\n")
                                 .arg(QString::asprintf("%04d", i + 1), TerminalSafe(album.strName),
                                      FormatPicCount(album.nPicCount), FormatRemark(album.nRemark));
        std::fputs(line.toUtf8().constData(), stdout);
    }
}

void PrintJson(const AlbumList& albums) {
    QJsonArray array;
    for (int i = 0; i < albums.size(); ++i) {
        const ST_PERLISTRECORD album = albums.at(i);
        array.append(QJsonObject{{QStringLiteral("index"), i + 1},
                                 {QStringLiteral("name"), album.strName},
                                 {QStringLiteral("key"), album.strKey},
                                 {QStringLiteral("cover"), UnescapeSlashes(album.strCover)},
                                 {QStringLiteral("count"), album.nPicCount},
                                 {QStringLiteral("remark"), FormatRemark(album.nRemark)}});
    }
    std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), stdout);
}

}  // namespace

int RunListCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("List the albums of a user's album page or of a forum's photo page.\n"
                       "Prints one line per album: number, name, picture count, remark."));
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("Address of the album page or forum photo page."));
    AddCommonOptions(parser);
    parser.addOption({QStringLiteral("json"),
                      QStringLiteral("Print a JSON array of {index, name, key, cover, count, "
                                     "remark} instead of lines.")});
    if (const int status = ParseCommand(parser, arguments, "quorvix-cli list [options] ADDRESS");
        status >= 0) {
        return status;
    }
    CommonOptions options;
    if (!ReadCommonOptions(parser, "list", options)) {
        return EXIT_USAGE;
    }
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "quorvix-cli list: give exactly one ADDRESS (see --help)\n");
        return EXIT_USAGE;
    }

    CliSession session(options.settingsDir, parser.positionalArguments().first(), QString());
    if (!ApplyCommonOptions(options, session, "list")) {
        return EXIT_USAGE;
    }
    const ListingSummary listing = session.ListAlbums();
    if (const int interrupted = Interrupts::ExitStatus()) {
        return interrupted;
    }
    if (const int status = ListingExitStatus(listing, "list"); status >= 0) {
        return status;
    }
    const AlbumList& albums = session.harvest->albums;
    if (parser.isSet(QStringLiteral("json"))) {
        PrintJson(albums);
    } else {
        PrintTable(albums);
    }
    return listing.failure ? EXIT_INCOMPLETE : EXIT_DONE;
}
