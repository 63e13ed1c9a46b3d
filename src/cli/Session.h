#pragma once
// A harvest as the terminal front end runs it: settings folder, cookie file, the view.

#include "app/Harvest.h"
#include "cli/TerminalView.h"

#include <memory>

struct CliSession {
    CliSession(const QString& settingsDir, const QString& address, const QString& savePath);
    ~CliSession();

    // Lists the albums of the address and returns how the listing ended.
    ListingSummary ListAlbums();

    TerminalView view;
    std::unique_ptr<Harvest> harvest;
};
