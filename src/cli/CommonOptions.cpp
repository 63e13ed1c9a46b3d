#include "cli/CommonOptions.h"

#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"
#include "net/CookieShare.h"
#include "net/NetscapeCookie.h"
#include "net/RetryPolicy.h"
#include "sources/SourceKinds.h"

#include <QFile>

#include <cstdio>

const char kExitStatusHelp[] =
    "Exit status:\n"
    "  0    done: everything listed was saved, or skipped by the skip rule or the size\n"
    "       filter, or there was nothing new\n"
    "  1    usage or setup error: a bad option, an unusable save folder, a file or program\n"
    "       that cannot be used, an address that is not one\n"
    "  2    the address lists no album\n"
    "  3    some pictures were not saved\n"
    "  4    a page needed for the listing could not be fetched: the listing is incomplete\n"
    "       (wins over 3 and 2)\n"
    "  5    the address belongs to a recognised service that has no lister\n"
    "  130  interrupted by SIGINT, 143 by SIGTERM (the job stopped as by the stop command)\n";

void AddCommonOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("settings-dir"),
         QStringLiteral("Folder of soft.dat and the cookie file (default: soft.dat in the current "
                        "folder, else ~/.config/quorvix)."),
         QStringLiteral("DIR")},
        {QStringLiteral("cookies"),
         QStringLiteral("Import a Netscape cookies.txt (as browsers export it) into the kept "
                        "cookie store first, as a login in the window would."),
         QStringLiteral("FILE")},
        {QStringLiteral("retries"),
         QStringLiteral("Tries after the first for a request that failed on the way: a connection "
                        "failure, reset or time-out, a 5xx answer (0 to 10, default 3)."),
         QStringLiteral("N")},
        {{QStringLiteral("q"), QStringLiteral("quiet")},
         QStringLiteral("Print only errors and the summary.")},
        {{QStringLiteral("v"), QStringLiteral("verbose")},
         QStringLiteral("Print each request and its outcome (cookies shown as ***).")},
        {{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all")},
         QStringLiteral("Show this help.")},
    });
}

bool ReadCommonOptions(const QCommandLineParser& parser, const char* command, CommonOptions& out) {
    out.settingsDir = parser.value(QStringLiteral("settings-dir"));
    out.cookies = parser.value(QStringLiteral("cookies"));
    out.quiet = parser.isSet(QStringLiteral("quiet"));
    out.verbose = parser.isSet(QStringLiteral("verbose"));
    if (out.quiet && out.verbose) {
        std::fprintf(stderr, "quorvix-cli %s: --quiet and --verbose exclude each other\n", command);
        return false;
    }
    out.retries = kDefaultRetries;
    if (parser.isSet(QStringLiteral("retries"))) {
        bool ok = false;
        out.retries = parser.value(QStringLiteral("retries")).toInt(&ok);
        if (!ok || out.retries < 0 || out.retries > kMostRetries) {
            std::fprintf(stderr, "quorvix-cli %s: --retries must be a number from 0 to %d\n",
                         command, kMostRetries);
            return false;
        }
    }
    return true;
}

int ParseCommand(QCommandLineParser& parser, const QStringList& arguments, const char* usage) {
    if (!parser.parse(QStringList{QStringLiteral("quorvix-cli")} + arguments)) {
        std::fprintf(stderr, "quorvix-cli: %s (see --help)\n", qPrintable(parser.errorText()));
        return EXIT_USAGE;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // Qt's own first line names the program without its command: ours replaces it.
        QString help = parser.helpText();
        help = help.mid(help.indexOf(QLatin1Char('\n')) + 1);
        std::printf("Usage: %s\n\n%s\n%s", usage, qPrintable(help), kExitStatusHelp);
        return EXIT_DONE;
    }
    return -1;
}

bool ApplyCommonOptions(const CommonOptions& options, CliSession& session, const char* command) {
    session.view.SetVerbosity(options.quiet     ? TerminalView::Verbosity::Quiet
                              : options.verbose ? TerminalView::Verbosity::Verbose
                                                : TerminalView::Verbosity::Normal);
    session.harvest->retries = options.retries;
    if (options.cookies.isEmpty()) {
        return true;
    }
    QString error;
    const int taken = ImportCookieFile(options.cookies, error);
    if (taken < 0) {
        std::fprintf(stderr, "quorvix-cli %s: cannot import %s: %s\n", command,
                     qPrintable(TerminalSafe(options.cookies)), qPrintable(error));
        return false;
    }
    if (!options.quiet) {
        std::fprintf(stderr, "%d cookies imported from %s\n", taken,
                     qPrintable(TerminalSafe(options.cookies)));
    }
    return true;
}

int ImportCookieFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return -1;
    }
    int taken = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (const std::optional<StoredCookie> cookie = FromNetscapeLine(line)) {
            CookieShare::SetCookie(*cookie);
            ++taken;
        }
    }
    if (!CookieShare::SaveCookies()) {
        error = QStringLiteral("the kept cookie file cannot be written");
        return -1;
    }
    return taken;
}

int ListingExitStatus(const ListingSummary& summary, const char* command) {
    if (summary.refused) {
        return EXIT_USAGE;
    }
    if (summary.unsupportedKind >= 0) {
        std::fprintf(stderr,
                     "quorvix-cli %s: addresses of %s are recognised but not supported yet: only "
                     "the Baidu photo albums and Tieba forums can be listed\n",
                     command,
                     qPrintable(SourceKinds().value(summary.unsupportedKind).displayText));
        return EXIT_UNSUPPORTED;
    }
    if (summary.albums == 0) {
        return summary.failure ? EXIT_INCOMPLETE : EXIT_NOTHING;
    }
    return -1;
}
