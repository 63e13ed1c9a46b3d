#pragma once
// The application object: reads the command line, creates the main window and runs until it
// closes.

#include <QStringList>

class CQuorvixApp {
public:
    // Runs the program; returns its exit code.
    int Run(const QStringList& arguments);
};
