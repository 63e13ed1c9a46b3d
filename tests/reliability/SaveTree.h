#pragma once
// What the reliability tests check in a save folder after a run: every file and folder the run
// made, with the rules every path must keep.

#include <QString>
#include <QStringList>

#include <functional>

struct SaveTree {
    QStringList files;     // paths relative to the save folder, sorted
    QStringList folders;   // the same for folders
    QStringList problems;  // rule breaks, one line each
};

// Walks the folder (hidden entries included, links not followed) and checks that every entry lies
// inside it, is no link, and that every path component fits a file name (255 bytes of UTF-8),
// is not "." or "..", and names no hidden file.
SaveTree ReadSaveTree(const QString& saveFolder);

// Files of the tree whose name ends with the fetcher's temporary suffix.
QStringList TemporaryFiles(const SaveTree& tree);
// Files of the tree that are pictures (not a list file, source-name file or marker).
QStringList PictureFiles(const SaveTree& tree);

// Largest resident set of any child process ended so far, in KiB.
long LargestChildRssKb();

class QProcess;
// Starts quorvix-cli with the arguments, http_proxy pointing at proxyUrl, standard input closed.
void StartCli(QProcess& process, const QStringList& arguments, const QString& proxyUrl);

// Runs the function on a thread of its own and waits for it. Wraps every QProcess start:
// QProcess starts children with vfork semantics, which ThreadSanitizer's record of the starting
// thread does not survive (see support/CliRun.cpp).
void RunOnOwnThread(const std::function<void()>& function);
