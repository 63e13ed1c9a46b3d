#include "cli/Session.h"

#include "app/SettingsFolder.h"
#include "cli/Interrupts.h"
#include "net/CookieShare.h"

CliSession::CliSession(const QString& settingsDir, const QString& address, const QString& savePath)
    : view(address, savePath) {
    const QString folder = ResolveSettingsFolder(settingsDir);
    CookieShare::SetCookieFile(folder + QStringLiteral("cookies.txt"));
    harvest = std::make_unique<Harvest>(folder);
    harvest->SetView(&view);
    harvest->LoadSettingsFile();
    harvest->bReady = 1;
    // A terminal interrupt stops what runs, as the stop commands do.
    Interrupts::SetStopHandler([this] {
        uint8_t running = LIST_RUNNING;
        harvest->nListState.compare_exchange_strong(running, LIST_STOP_REQUESTED);
        harvest->RequestDownloadStop();
    });
}

CliSession::~CliSession() {
    Interrupts::SetStopHandler(nullptr);
    harvest.reset();
    CookieShare::SaveCookies();
}

ListingSummary CliSession::ListAlbums() {
    harvest->GetAlbumsCommand();
    harvest->WaitForJobs();
    return harvest->LastListing();
}
