#pragma once
#include <QStringList>

// Exit statuses of the terminal front end.
enum CliExit : int {
    EXIT_DONE = 0,         // everything listed (and saved)
    EXIT_USAGE = 1,        // bad arguments, or an address the job refuses
    EXIT_NOTHING = 2,      // nothing was listed
    EXIT_SOME_FAILED = 3,  // some pictures could not be saved
};

// Each command takes its own arguments (the command word removed).
int RunListCommand(const QStringList& arguments);
int RunDownloadCommand(const QStringList& arguments);
