#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/Interrupts.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"
#include "cli/TransferOptions.h"
#include "sources/SourceKinds.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryFile>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// The option bits a run can switch on (--NAME) and off (--no-NAME).
struct OptionBit {
    const char* name;
    uint16_t bit;
    const char* help;
};
const OptionBit kOptionBits[] = {
    {"list-only", OPT_LIST_ONLY, "Write each album's address list (.lst) instead of downloading."},
    {"skip-downloaded", OPT_SKIP_DOWNLOADED,
     "Stop listing an album at the first picture of its previous download."},
    {"source-names", OPT_SOURCE_NAMES,
     "Write each picture's original name to the album's .txt file."},
    {"fix-format", OPT_FIX_FORMAT, "Rename pictures to the extension their bytes show."},
    {"fix-order", OPT_FIX_ORDER, "Give pictures file times that sort in album order."},
};

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "List the albums of an address, then download the chosen ones into the save folder, one\n"
        "sub-folder per album, with the rules and options of soft.dat (what the window's menu\n"
        "sets). The options below change them for this run only; nothing is saved."));
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("Address of the album page or forum photo page."));
    parser.addOptions({
        {QStringLiteral("save"), QStringLiteral("Save folder (required)."), QStringLiteral("DIR")},
        {QStringLiteral("albums"),
         QStringLiteral("Albums by their numbers in the list: all (default), or N,N-M,..."),
         QStringLiteral("LIST"), QStringLiteral("all")},
        {QStringLiteral("match"),
         QStringLiteral("Only albums whose names contain TEXT (letter case counts), as the "
                        "window's filter; with --albums, albums that meet both."),
         QStringLiteral("TEXT")},
        {QStringLiteral("defaults"),
         QStringLiteral("Use the built-in naming rules, options and parameters instead of those "
                        "in soft.dat.")},
        {QStringLiteral("threads"), QStringLiteral("Parallel requests, 1 to 15."),
         QStringLiteral("N")},
        {QStringLiteral("timeout"),
         QStringLiteral("Seconds without progress before a picture fails, at least 10."),
         QStringLiteral("S")},
        {QStringLiteral("min-kb"), QStringLiteral("Smallest picture kept, in KiB."),
         QStringLiteral("K")},
        {QStringLiteral("max-kb"), QStringLiteral("Largest picture kept, in KiB (0: no limit)."),
         QStringLiteral("K")},
        {QStringLiteral("name-mode"),
         QStringLiteral("File names from the picture's description, its sequence number, or "
                        "its address: desc, seq or url."),
         QStringLiteral("MODE")},
    });
    for (const OptionBit& option : kOptionBits) {
        const QString name = QString::fromLatin1(option.name);
        parser.addOption({name, QString::fromLatin1(option.help)});
        parser.addOption({QStringLiteral("no-") + name, QStringLiteral("Do not: ") + name + '.'});
    }
    AddTransferOptions(parser);
    AddCommonOptions(parser);
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
    std::optional<int> threads, timeout, minKb, maxKb, nameMode;
    uint16_t setBits = 0;
    uint16_t clearBits = 0;
    bool defaults = false;
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
        !number("min-kb", 0, 65535, out.minKb) || !number("max-kb", 0, 65535, out.maxKb)) {
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
    for (const OptionBit& option : kOptionBits) {
        const QString name = QString::fromLatin1(option.name);
        const bool on = parser.isSet(name);
        const bool off = parser.isSet(QStringLiteral("no-") + name);
        if (on && off) {
            std::fprintf(stderr, "quorvix-cli download: --%s and --no-%s exclude each other\n",
                         option.name, option.name);
            return false;
        }
        out.setBits |= on ? option.bit : 0;
        out.clearBits |= off ? option.bit : 0;
    }
    out.defaults = parser.isSet(QStringLiteral("defaults"));
    return true;
}

void ApplyOverrides(const Overrides& o, DownloadJobInputs& inputs) {
    if (o.defaults) {
        const SettingsBlock defaults = DefaultSettings();
        inputs.rules = defaults.saveRules[kBaiduKind];
        inputs.params = defaults.downloadParams[kBaiduKind];
    }
    SaveRules& rules = inputs.rules;
    DownloadParams& params = inputs.params;
    params.threadCount = static_cast<uint16_t>(o.threads.value_or(params.threadCount));
    params.timeoutSec = static_cast<uint16_t>(o.timeout.value_or(params.timeoutSec));
    params.minSizeKb = static_cast<uint16_t>(o.minKb.value_or(params.minSizeKb));
    params.maxSizeKb = static_cast<uint16_t>(o.maxKb.value_or(params.maxSizeKb));
    rules.fileNameMode = static_cast<uint8_t>(o.nameMode.value_or(rules.fileNameMode));
    rules.optionFlags |= o.setBits;
    rules.optionFlags &= static_cast<uint16_t>(~o.clearBits);
    rules.optionFlags &= static_cast<uint16_t>(~OPT_OPEN_FOLDER);  // a terminal opens nothing
}

// Makes the save folder as the job would and tries a file in it, before anything is fetched;
// false with the folder and the system's reason.
bool CheckSaveFolder(const QString& savePath, QString& error) {
    const QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(savePath.trimmed()));
    const QByteArray utf8 = folder.toUtf8();
    std::error_code ec;
    std::filesystem::create_directories(std::u8string(utf8.begin(), utf8.end()), ec);
    if (ec) {
        error = folder + QStringLiteral(": ") + QString::fromStdString(ec.message());
        return false;
    }
    QTemporaryFile probe(folder + QStringLiteral("/.quorvix-write-test-XXXXXX"));
    if (!probe.open()) {
        error = folder + QStringLiteral(": ") + probe.errorString();
        return false;
    }
    return true;
}

// The albums the options choose; nothing (after a message) for a bad --albums.
std::optional<QList<int>> ChooseAlbums(const QCommandLineParser& parser, const AlbumList& albums) {
    const int count = albums.size();
    std::optional<QList<int>> chosen =
        ParseAlbumList(parser.value(QStringLiteral("albums")), count);
    if (!chosen) {
        std::fprintf(stderr, "quorvix-cli download: --albums must list numbers from 1 to %d\n",
                     count);
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("match"))) {
        const QString text = parser.value(QStringLiteral("match"));
        chosen->removeIf([&](int index) { return !albums.at(index).strName.contains(text); });
    }
    return chosen;
}

QString SizeLimits(const JobResult& result) {
    QStringList limits;
    if (result.minSizeKb > 0) {
        limits << QStringLiteral("under %1 KiB").arg(result.minSizeKb);
    }
    if (result.maxSizeKb > 0) {
        limits << QStringLiteral("over %1 KiB").arg(result.maxSizeKb);
    }
    return limits.join(QStringLiteral(" or "));
}

void PrintSummary(const JobResult& result) {
    for (const PictureFailure& failure : result.failures) {
        std::fprintf(stderr, "failed: %s (%s)\n", qPrintable(TerminalSafe(failure.address)),
                     qPrintable(TerminalSafe(failure.reason)));
    }
    if (result.inputFailed) {
        std::fprintf(stderr, "quorvix-cli download: %s\n",
                     qPrintable(TerminalSafe(result.setupError)));
    } else if (!result.inputFile.isEmpty()) {
        std::fprintf(stderr, "Albums: %d, pictures listed: %d (aria2 input file written: %s)\n",
                     result.albums, result.listed, qPrintable(TerminalSafe(result.inputFile)));
    } else if (result.listOnly) {
        std::fprintf(stderr, "Albums: %d, pictures listed: %d (address lists written)\n",
                     result.albums, result.listed);
    } else {
        QString counts = QStringLiteral("Albums: %1, pictures saved: %2, failed: %3")
                             .arg(result.albums)
                             .arg(result.saved)
                             .arg(result.failed());
        if (result.skippedBySize > 0) {
            counts += QStringLiteral(", skipped by the size filter (%1): %2")
                          .arg(SizeLimits(result))
                          .arg(result.skippedBySize);
        }
        if (!result.busyAlbums.isEmpty()) {
            counts += QStringLiteral(", albums left out (folder in use): %1")
                          .arg(result.busyAlbums.size());
        }
        if (result.skippedByRule > 0) {
            counts += QStringLiteral(", albums already downloaded: %1").arg(result.skippedByRule);
        }
        if (result.handedOver > 0) {
            counts += QStringLiteral(", handed over to aria2: %1").arg(result.handedOver);
        }
        if (result.alreadyDownloaded > 0) {
            counts += QStringLiteral(", already downloaded (in the archive): %1")
                          .arg(result.alreadyDownloaded);
        }
        std::fprintf(stderr, "%s\n", qPrintable(counts));
    }
    if (!result.archiveError.isEmpty()) {
        std::fprintf(stderr, "quorvix-cli download: %s (pictures saved but not recorded: %d)\n",
                     qPrintable(TerminalSafe(result.archiveError)), result.unrecorded);
    }
    if (result.stopped || result.partialsKept > 0) {
        std::fprintf(stderr, "%s, partial pictures kept for resuming: %d\n",
                     result.stopped ? "Stopped" : "Not all saved", result.partialsKept);
    }
}

// The exit status of a finished job whose listing went as `listing` says.
int JobExitStatus(const JobResult& result, const ListingSummary& listing) {
    if (!result.archiveError.isEmpty() || result.inputFailed) {
        return EXIT_USAGE;  // the archive it needs could not record what was saved
    }
    if (!result.pageFailures.isEmpty() || listing.failure) {
        return EXIT_INCOMPLETE;
    }
    if (!result.failures.isEmpty() || !result.busyAlbums.isEmpty()) {
        return EXIT_SOME_FAILED;
    }
    return EXIT_DONE;
}

}  // namespace

int RunDownloadCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    if (const int status =
            ParseCommand(parser, arguments, "quorvix-cli download [options] --save DIR ADDRESS");
        status >= 0) {
        return status;
    }
    CommonOptions options;
    Overrides overrides;
    TransferOptions transfer;
    if (!ReadCommonOptions(parser, "download", options) || !ReadOverrides(parser, overrides) ||
        !ReadTransferOptions(parser, transfer)) {
        return EXIT_USAGE;
    }
    if (parser.positionalArguments().size() != 1 || !parser.isSet(QStringLiteral("save"))) {
        std::fprintf(stderr,
                     "quorvix-cli download: give one ADDRESS and --save DIR (see --help)\n");
        return EXIT_USAGE;
    }
    QString error;
    if (!CheckSaveFolder(parser.value(QStringLiteral("save")), error)) {
        std::fprintf(stderr, "quorvix-cli download: cannot save into %s\n",
                     qPrintable(TerminalSafe(error)));
        return EXIT_USAGE;
    }

    CliSession session(options.settingsDir, parser.positionalArguments().first(),
                       parser.value(QStringLiteral("save")));
    if (!ApplyCommonOptions(options, session, "download") ||
        !CheckTransfer(transfer, session.harvest->settingsFolder())) {
        return EXIT_USAGE;
    }
    const ListingSummary listing = session.ListAlbums();
    if (const int interrupted = Interrupts::ExitStatus()) {
        return interrupted;  // nothing is downloaded after an interrupt
    }
    if (const int status = ListingExitStatus(listing, "download"); status >= 0) {
        if (status == EXIT_NOTHING) {
            std::fprintf(stderr, "No albums found.\n");
        }
        return status;
    }
    const std::optional<QList<int>> chosen = ChooseAlbums(parser, session.harvest->albums);
    if (!chosen) {
        return EXIT_USAGE;
    }
    if (chosen->isEmpty()) {
        std::fprintf(stderr, "No album matches.\n");
        return listing.failure ? EXIT_INCOMPLETE : EXIT_NOTHING;
    }
    session.view.SetChosenAlbums(*chosen);
    session.harvest->jobOverrides = [overrides, transfer](DownloadJobInputs& inputs) {
        ApplyOverrides(overrides, inputs);
        ApplyTransferOptions(transfer, inputs);
    };
    session.harvest->DownloadCommand();
    if (Interrupts::ExitStatus() != 0) {
        session.harvest->RequestDownloadStop();  // the interrupt came before the job was running
    }
    session.harvest->WaitForJobs();
    const JobResult result = session.harvest->LastResult();
    if (result.setupFailed) {
        std::fprintf(stderr, "quorvix-cli download: %s\n",
                     qPrintable(TerminalSafe(result.setupError)));
        return EXIT_USAGE;
    }
    PrintSummary(result);
    const int status = JobExitStatus(result, listing);
    return Interrupts::ExitStatus() != 0 ? Interrupts::ExitStatus() : status;
}
