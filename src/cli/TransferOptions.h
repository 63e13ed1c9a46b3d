#pragma once
// The options of `quorvix-cli download` that choose where the pictures' records go: the
// download archive (--archive FILE, --no-archive). They override what quorvix.ini says.

#include "download/JobInputs.h"

#include <QCommandLineParser>
#include <QString>

#include <optional>

struct TransferOptions {
    std::optional<QString> archive;  // --archive FILE (absolute)
    bool noArchive = false;          // --no-archive
};

void AddTransferOptions(QCommandLineParser& parser);
// False (after a message) for options that exclude each other.
bool ReadTransferOptions(const QCommandLineParser& parser, TransferOptions& out);
// Applies them to the job's inputs (which hold what quorvix.ini says).
void ApplyTransferOptions(const TransferOptions& options, DownloadJobInputs& inputs);
// The archive the run will use: the option's, else quorvix.ini's when it is on; empty for none.
QString ArchiveOfRun(const TransferOptions& options, const QString& settingsFolder);
// Opens the archive once before anything is fetched; false (after a message naming it and the
// reason) when it cannot be used. An empty path is no archive.
bool CheckArchive(const QString& path);
