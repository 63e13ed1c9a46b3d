#pragma once
// The commands of quorvix-cli and their exit statuses.

#include <QStringList>

enum CliExit : int {
    EXIT_DONE = 0,         // everything listed was saved, skipped as asked, or nothing was new
    EXIT_USAGE = 1,        // bad options, an unusable save folder or file, a refused address
    EXIT_NOTHING = 2,      // the address lists no album
    EXIT_SOME_FAILED = 3,  // some pictures were not saved
    EXIT_INCOMPLETE = 4,   // a page needed for the listing could not be fetched (wins over 3, 2)
    EXIT_UNSUPPORTED = 5,  // the address belongs to a recognised service that has no lister
};

// The table of exit statuses, as the help texts show it.
extern const char kExitStatusHelp[];

// Each command takes its own arguments (the command word removed).
int RunListCommand(const QStringList& arguments);
int RunDownloadCommand(const QStringList& arguments);
int RunArchiveCommand(const QStringList& arguments);
