#pragma once
// The options of `quorvix-cli download` that choose where the pictures go and what is kept of
// them: the download archive (--archive FILE, --no-archive) and the hand-off to aria2
// (--aria2-rpc URL, --aria2-secret, --aria2-detach, --aria2-input FILE, --no-aria2). They
// override what quorvix.ini says.

#include "download/JobInputs.h"

#include <QCommandLineParser>
#include <QString>

#include <optional>

struct TransferOptions {
    std::optional<QString> archive;  // --archive FILE (absolute)
    bool noArchive = false;          // --no-archive
    std::optional<QString> aria2Rpc;
    std::optional<QString> aria2Secret;  // --aria2-secret, else QUORVIX_ARIA2_SECRET
    bool aria2Detach = false;
    std::optional<QString> aria2Input;  // absolute
    bool noAria2 = false;
};

void AddTransferOptions(QCommandLineParser& parser);
// False (after a message) for options that exclude each other.
bool ReadTransferOptions(const QCommandLineParser& parser, TransferOptions& out);
// Applies them to the job's inputs (which hold what quorvix.ini says).
void ApplyTransferOptions(const TransferOptions& options, DownloadJobInputs& inputs);
// The archive the run will use: the option's, else quorvix.ini's when it is on; empty for none.
QString ArchiveOfRun(const TransferOptions& options, const QString& settingsFolder);
// The aria2 daemon the run hands its pictures to; disabled for none.
Aria2Target Aria2OfRun(const TransferOptions& options, const QString& settingsFolder);
// What the run needs is usable, checked before anything is fetched: the archive opens, the aria2
// daemon answers and takes the secret, the input file's folder can be written. False after a
// message naming what and why.
bool CheckTransfer(const TransferOptions& options, const QString& settingsFolder);
