#pragma once
// The application object: reads the command line, creates the main window and runs until it
// closes.

#include <QString>
#include <QStringList>

// What the command line asks of the window.
struct AppArguments {
    QString settingsDir;
    QString address;  // for the address box; empty for none
};

// Reads the arguments (the program's name first); --help and --version print and exit here.
AppArguments ParseAppArguments(const QStringList& arguments);

class CQuorvixApp {
public:
    // Runs the program; returns its exit code.
    int Run(const QStringList& arguments);
};
