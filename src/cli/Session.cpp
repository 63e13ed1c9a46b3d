#include "cli/Session.h"

#include "app/SettingsFolder.h"
#include "net/CookieShare.h"

CliSession::CliSession(const QString& settingsDir, const QString& address, const QString& savePath)
    : view(address, savePath) {
    const QString folder = ResolveSettingsFolder(settingsDir);
    CookieShare::SetCookieFile(folder + QStringLiteral("cookies.txt"));
    harvest = std::make_unique<Harvest>(folder);
    harvest->SetView(&view);
    harvest->LoadSettingsFile();
    harvest->bReady = 1;
}

CliSession::~CliSession() {
    harvest.reset();
    CookieShare::SaveCookies();
}

ListingSummary CliSession::ListAlbums() {
    harvest->GetAlbumsCommand();
    harvest->WaitForJobs();
    return harvest->LastListing();
}
