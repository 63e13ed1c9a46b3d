#include "cli/Commands.h"
#include "cli/Interrupts.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"

#include <QCommandLineParser>

#include <cstdio>
#include <optional>

namespace {

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "List the albums of an address, then download the chosen ones into the save folder,\n"
        "one sub-folder per album, with the settings of soft.dat. The options below change\n"
        "those settings for this run only; nothing is saved."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("Address of the album page or forum photo page."));
    const QList<QCommandLineOption> options = {
        {QStringLiteral("save"), QStringLiteral("Save folder (required)."), QStringLiteral("DIR")},
        {QStringLiteral("albums"),
         QStringLiteral("Albums to download by their numbers in the list: all (default), or "
                        "N,N-M,..."),
         QStringLiteral("LIST"), QStringLiteral("all")},
        {QStringLiteral("settings-dir"),
         QStringLiteral("Folder of soft.dat and the cookie file (default: soft.dat in the current "
                        "folder, else the per-user settings folder)."),
         QStringLiteral("DIR")},
        {QStringLiteral("threads"), QStringLiteral("Parallel downloads, 1 to 15."),
         QStringLiteral("N")},
        {QStringLiteral("timeout"),
         QStringLiteral("Seconds without progress before a picture fails, at least 10."),
         QStringLiteral("S")},
        {QStringLiteral("min-kb"), QStringLiteral("Smallest picture kept, in KiB."),
         QStringLiteral("K")},
        {QStringLiteral("max-kb"), QStringLiteral("Largest picture kept, in KiB (0: no limit)."),
         QStringLiteral("K")},
        {QStringLiteral("list-only"),
         QStringLiteral("Write each album's address list (.lst) instead of downloading.")},
        {QStringLiteral("skip-downloaded"),
         QStringLiteral("Stop listing an album at the first picture of its previous download.")},
        {QStringLiteral("source-names"),
         QStringLiteral("Write each picture's original name to the album's .txt file.")},
        {QStringLiteral("fix-format"),
         QStringLiteral("Rename pictures to the extension their bytes show.")},
        {QStringLiteral("fix-order"),
         QStringLiteral("Give pictures file times that sort in album order.")},
        {QStringLiteral("retries"),
         QStringLiteral("Tries after the first for a request that failed on the way (0 to 10, "
                        "default 3)."),
         QStringLiteral("N")},
        {QStringLiteral("name-mode"),
         QStringLiteral("File names from the picture's description, its sequence number, or "
                        "its address: desc, seq or url."),
         QStringLiteral("MODE")},
    };
    for (const QCommandLineOption& option : options) {
        parser.addOption(option);
    }
}

// 1-based album numbers ("all", or "N,N-M") as album indexes; nothing on a bad list.
std::optional<QList<int>> ParseAlbumList(const QString& text, int albumCount) {
    QList<int> indexes;
    if (text == QLatin1String("all")) {
        for (int i = 0; i < albumCount; ++i) {
            indexes.append(i);
        }
        return indexes;
    }
    for (const QString& part : text.split(u',')) {
        const QStringList ends = part.split(u'-');
        bool okFirst = false;
        bool okLast = ends.size() == 1;
        const int first = ends[0].trimmed().toInt(&okFirst);
        const int last = ends.size() == 2 ? ends[1].trimmed().toInt(&okLast) : first;
        if (!okFirst || !okLast || ends.size() > 2 || first < 1 || last < first ||
            last > albumCount) {
            return std::nullopt;
        }
        for (int n = first; n <= last; ++n) {
            if (!indexes.contains(n - 1)) {
                indexes.append(n - 1);
            }
        }
    }
    return indexes;
}

struct Overrides {
    std::optional<int> threads, timeout, minKb, maxKb, nameMode, retries;
    uint16_t setBits = 0;
};

// The run-time changes of the settings; false (after a message) for a bad value.
bool ReadOverrides(const QCommandLineParser& parser, Overrides& out) {
    auto number = [&](const char* name, int low, int high, std::optional<int>& target) {
        const QString key = QString::fromLatin1(name);
        if (!parser.isSet(key)) {
            return true;
        }
        bool ok = false;
        const int value = parser.value(key).toInt(&ok);
        if (!ok || value < low || value > high) {
            std::fprintf(stderr, "quorvix-cli download: --%s must be a number from %d to %d\n",
                         name, low, high);
            return false;
        }
        target = value;
        return true;
    };
    if (!number("threads", 1, 15, out.threads) || !number("timeout", 10, 65535, out.timeout) ||
        !number("min-kb", 0, 65535, out.minKb) || !number("max-kb", 0, 65535, out.maxKb) ||
        !number("retries", 0, kMostRetries, out.retries)) {
        return false;
    }
    if (parser.isSet(QStringLiteral("name-mode"))) {
        const QStringList modes = {QStringLiteral("desc"), QStringLiteral("seq"),
                                   QStringLiteral("url")};
        const qsizetype mode = modes.indexOf(parser.value(QStringLiteral("name-mode")));
        if (mode < 0) {
            std::fprintf(stderr, "quorvix-cli download: --name-mode is desc, seq or url\n");
            return false;
        }
        out.nameMode = static_cast<int>(mode);
    }
    const std::pair<const char*, uint16_t> bits[] = {{"list-only", OPT_LIST_ONLY},
                                                     {"skip-downloaded", OPT_SKIP_DOWNLOADED},
                                                     {"source-names", OPT_SOURCE_NAMES},
                                                     {"fix-format", OPT_FIX_FORMAT},
                                                     {"fix-order", OPT_FIX_ORDER}};
    for (const auto& [name, bit] : bits) {
        if (parser.isSet(QString::fromLatin1(name))) {
            out.setBits |= bit;
        }
    }
    return true;
}

void ApplyOverrides(const Overrides& o, DownloadJobInputs& inputs) {
    SaveRules& rules = inputs.rules;
    DownloadParams& params = inputs.params;
    params.threadCount = static_cast<uint16_t>(o.threads.value_or(params.threadCount));
    params.timeoutSec = static_cast<uint16_t>(o.timeout.value_or(params.timeoutSec));
    params.minSizeKb = static_cast<uint16_t>(o.minKb.value_or(params.minSizeKb));
    params.maxSizeKb = static_cast<uint16_t>(o.maxKb.value_or(params.maxSizeKb));
    rules.fileNameMode = static_cast<uint8_t>(o.nameMode.value_or(rules.fileNameMode));
    rules.optionFlags |= o.setBits;
    rules.optionFlags &= static_cast<uint16_t>(~OPT_OPEN_FOLDER);  // a terminal opens nothing
}

int PrintSummary(const JobResult& result) {
    for (const PictureFailure& failure : result.failures) {
        std::fprintf(stderr, "failed: %s (%s)\n", qPrintable(TerminalSafe(failure.address)),
                     qPrintable(TerminalSafe(failure.reason)));
    }
    if (result.listOnly) {
        std::fprintf(stderr, "Albums: %d, pictures listed: %d (address lists written)\n",
                     result.albums, result.listed);
    } else {
        QString counts = QStringLiteral("Albums: %1, pictures saved: %2, failed: %3")
                             .arg(result.albums)
                             .arg(result.saved)
                             .arg(result.failed());
        if (result.skippedBySize > 0) {
            counts += QStringLiteral(", skipped by the size filter: %1").arg(result.skippedBySize);
        }
        if (!result.busyAlbums.isEmpty()) {
            counts += QStringLiteral(", albums left out (folder in use): %1")
                          .arg(result.busyAlbums.size());
        }
        if (result.skippedByRule > 0) {
            counts += QStringLiteral(", albums already downloaded: %1").arg(result.skippedByRule);
        }
        std::fprintf(stderr, "%s\n", qPrintable(counts));
    }
    if (result.stopped || result.partialsKept > 0) {
        std::fprintf(stderr, "%s, partial pictures kept for resuming: %d\n",
                     result.stopped ? "Stopped" : "Not all saved", result.partialsKept);
    }
    if (!result.failures.isEmpty() || !result.busyAlbums.isEmpty()) {
        return EXIT_SOME_FAILED;
    }
    return result.listed == 0 ? EXIT_NOTHING : EXIT_DONE;
}

}  // namespace

int RunDownloadCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("quorvix-cli download")} + arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return EXIT_USAGE;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return EXIT_DONE;
    }
    if (parser.positionalArguments().size() != 1 || !parser.isSet(QStringLiteral("save"))) {
        std::fprintf(stderr,
                     "quorvix-cli download: give one ADDRESS and --save DIR (see --help)\n");
        return EXIT_USAGE;
    }
    Overrides overrides;
    if (!ReadOverrides(parser, overrides)) {
        return EXIT_USAGE;
    }

    CliSession session(parser.value(QStringLiteral("settings-dir")),
                       parser.positionalArguments().first(), parser.value(QStringLiteral("save")));
    session.harvest->retries = overrides.retries.value_or(kDefaultRetries);
    if (session.ListAlbums().refused) {
        return EXIT_USAGE;
    }
    if (const int interrupted = Interrupts::ExitStatus()) {
        return interrupted;  // nothing is downloaded after an interrupt
    }
    const int albumCount = session.harvest->albums.size();
    if (albumCount == 0) {
        std::fprintf(stderr, "No albums found.\n");
        return EXIT_NOTHING;
    }
    const std::optional<QList<int>> chosen =
        ParseAlbumList(parser.value(QStringLiteral("albums")), albumCount);
    if (!chosen) {
        std::fprintf(stderr, "quorvix-cli download: --albums must list numbers from 1 to %d\n",
                     albumCount);
        return EXIT_USAGE;
    }
    session.view.SetChosenAlbums(*chosen);
    session.harvest->jobOverrides = [overrides](DownloadJobInputs& inputs) {
        ApplyOverrides(overrides, inputs);
    };
    session.harvest->DownloadCommand();
    session.harvest->WaitForJobs();
    const JobResult result = session.harvest->LastResult();
    if (result.setupFailed) {
        std::fprintf(stderr, "quorvix-cli download: %s\n",
                     qPrintable(TerminalSafe(result.setupError)));
        return EXIT_USAGE;
    }
    const int status = PrintSummary(result);
    return Interrupts::ExitStatus() != 0 ? Interrupts::ExitStatus() : status;
}
