#include "cli/TransferOptions.h"

#include "app/LinuxSettings.h"
#include "cli/TerminalText.h"
#include "download/Aria2Handoff.h"
#include "download/DownloadArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace {

void Complain(const QString& text) {
    std::fprintf(stderr, "quorvix-cli download: %s\n", qPrintable(TerminalSafe(text)));
}

bool CheckArchive(const QString& path) {
    if (path.isEmpty()) {
        return true;
    }
    QString error;
    if (!DownloadArchive::Open(path, error)) {
        Complain(QStringLiteral("download archive %1: %2").arg(path, error));
        return false;
    }
    return true;
}

bool CheckAria2(const Aria2Target& target) {
    if (!target.enabled()) {
        return true;
    }
    Aria2Handoff handoff(target, DownloadParams{}, std::make_shared<CompletionQueue>());
    QString error;
    if (!handoff.Check(error)) {
        Complain(error);
        return false;
    }
    return true;
}

bool CheckInputFile(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    QTemporaryFile probe(folder + QStringLiteral("/.quorvix-write-test-XXXXXX"));
    if (!QDir().mkpath(folder) || !probe.open()) {
        Complain(QStringLiteral("cannot write %1: %2").arg(path, probe.errorString()));
        return false;
    }
    return true;
}

}  // namespace

void AddTransferOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("archive"),
         QStringLiteral("Keep a download archive in FILE (SQLite): pictures it holds are not "
                        "fetched again, even when their files were moved or deleted; each "
                        "picture saved is recorded. See 'quorvix-cli archive'."),
         QStringLiteral("FILE")},
        {QStringLiteral("no-archive"),
         QStringLiteral("Do not use the download archive that quorvix.ini turns on.")},
        {QStringLiteral("aria2-rpc"),
         QStringLiteral("Hand the pictures to the aria2 daemon at URL (its JSON-RPC address, "
                        "e.g. http://127.0.0.1:6800/jsonrpc) instead of fetching them; each is "
                        "renamed into place when aria2 has it whole, and the job ends as its own "
                        "would."),
         QStringLiteral("URL")},
        {QStringLiteral("aria2-secret"),
         QStringLiteral("The daemon's RPC secret (also read from QUORVIX_ARIA2_SECRET)."),
         QStringLiteral("TOKEN")},
        {QStringLiteral("aria2-detach"),
         QStringLiteral("Only hand the pictures over, under their final names, and end: for a "
                        "daemon on another machine, whose folders this one does not see (no "
                        "marker, no repairs, no archive records).")},
        {QStringLiteral("aria2-input"),
         QStringLiteral("Write one aria2 input file for the whole job instead of downloading: "
                        "'aria2c -i FILE' then writes the same folders and names."),
         QStringLiteral("FILE")},
        {QStringLiteral("no-aria2"),
         QStringLiteral("Download with this program although quorvix.ini hands over to aria2.")},
    });
}

bool ReadTransferOptions(const QCommandLineParser& parser, TransferOptions& out) {
    auto path = [&](const char* name) -> std::optional<QString> {
        const QString key = QString::fromLatin1(name);
        return parser.isSet(key)
                   ? std::optional<QString>(QDir::current().absoluteFilePath(parser.value(key)))
                   : std::nullopt;
    };
    out.noArchive = parser.isSet(QStringLiteral("no-archive"));
    out.archive = path("archive");
    out.noAria2 = parser.isSet(QStringLiteral("no-aria2"));
    out.aria2Detach = parser.isSet(QStringLiteral("aria2-detach"));
    out.aria2Input = path("aria2-input");
    if (parser.isSet(QStringLiteral("aria2-rpc"))) {
        out.aria2Rpc = parser.value(QStringLiteral("aria2-rpc"));
    }
    if (parser.isSet(QStringLiteral("aria2-secret"))) {
        out.aria2Secret = parser.value(QStringLiteral("aria2-secret"));
    } else if (qEnvironmentVariableIsSet("QUORVIX_ARIA2_SECRET")) {
        out.aria2Secret = qEnvironmentVariable("QUORVIX_ARIA2_SECRET");
    }
    const char* clash = nullptr;
    if (out.archive && out.noArchive) {
        clash = "--archive and --no-archive exclude each other";
    } else if (out.noAria2 && (out.aria2Rpc || out.aria2Detach)) {
        clash = "--no-aria2 excludes --aria2-rpc and --aria2-detach";
    } else if (out.aria2Input && (out.aria2Rpc || out.aria2Detach)) {
        clash =
            "--aria2-input writes a file instead of handing over: it excludes --aria2-rpc "
            "and --aria2-detach";
    }
    if (clash != nullptr) {
        std::fprintf(stderr, "quorvix-cli download: %s\n", clash);
        return false;
    }
    return true;
}

Aria2Target Aria2OfRun(const TransferOptions& options, const QString& settingsFolder) {
    Aria2Target target;
    if (options.noAria2 || options.aria2Input) {
        return target;
    }
    const LinuxSettings settings = LoadLinuxSettings(settingsFolder);
    if (options.aria2Rpc) {
        target.rpc = *options.aria2Rpc;
    } else if (settings.transport == PictureTransport::Aria2Rpc) {
        target.rpc = settings.aria2Rpc;
        target.secret = settings.aria2Secret;
    }
    if (options.aria2Secret) {
        target.secret = *options.aria2Secret;
    }
    target.detach = options.aria2Detach;
    return target;
}

void ApplyTransferOptions(const TransferOptions& options, DownloadJobInputs& inputs) {
    if (options.noArchive) {
        inputs.archivePath.clear();
    } else if (options.archive) {
        inputs.archivePath = *options.archive;
    }
    if (options.aria2Input) {
        inputs.aria2Input = *options.aria2Input;
        inputs.aria2 = {};
        return;
    }
    if (options.noAria2) {
        inputs.aria2 = {};
        return;
    }
    if (options.aria2Rpc) {
        inputs.aria2.rpc = *options.aria2Rpc;
    }
    if (options.aria2Secret) {
        inputs.aria2.secret = *options.aria2Secret;
    }
    inputs.aria2.detach = options.aria2Detach;
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

bool CheckTransfer(const TransferOptions& options, const QString& settingsFolder) {
    const Aria2Target aria2 = Aria2OfRun(options, settingsFolder);
    if (options.aria2Detach && !aria2.enabled()) {
        Complain(
            QStringLiteral("--aria2-detach needs a daemon: --aria2-rpc URL, or the "
                           "window's aria2 setting"));
        return false;
    }
    return CheckArchive(ArchiveOfRun(options, settingsFolder)) && CheckAria2(aria2) &&
           (!options.aria2Input || CheckInputFile(*options.aria2Input));
}
