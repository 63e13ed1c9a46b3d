#pragma once
// What the commands of quorvix-cli share: the options every command takes, help texts that name
// their command, the kept cookie store's import, and the exit status of a listing.

#include "app/HarvestView.h"

#include <QCommandLineParser>
#include <QString>

struct CliSession;

struct CommonOptions {
    QString settingsDir;
    bool quiet = false;
    bool verbose = false;
    int retries = 3;
    QString cookies;  // a Netscape cookies.txt to import first
};

// --settings-dir, --cookies, --retries, -q, -v, -h (and --help-all).
void AddCommonOptions(QCommandLineParser& parser);
// False (after a message naming the command) for a bad value.
bool ReadCommonOptions(const QCommandLineParser& parser, const char* command, CommonOptions& out);
// Parses the arguments; prints the help or the error. Returns -1 to go on, else the exit status.
int ParseCommand(QCommandLineParser& parser, const QStringList& arguments, const char* usage);
// Applies the options to the session: quiet or verbose output, retries, the cookie import.
// False (after a message) when the cookie file cannot be used.
bool ApplyCommonOptions(const CommonOptions& options, CliSession& session, const char* command);

// Reads a Netscape cookies.txt into the kept cookie store and saves it, as a login in the
// window does; the number of cookies taken, or -1 (with the reason) when the file cannot be read.
int ImportCookieFile(const QString& path, QString& error);

// The exit status a listing asks for (after the messages it needs), or -1 when it listed albums.
int ListingExitStatus(const ListingSummary& summary, const char* command);
