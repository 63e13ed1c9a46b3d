#pragma once
// A harvest wired to the fake service: a temporary settings folder, the view that records what
// the jobs show, and http_proxy pointing at the fake service for the fixture's lifetime.

#include "app/Harvest.h"
#include "fakeservice/FakeService.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

class HarvestFixture : public ::testing::Test {
protected:
    HarvestFixture() : proxy(service) {
        harvest = std::make_unique<Harvest>(settingsDir.path());
        harvest->SetView(&view);
        harvest->LoadSettingsFile();
        harvest->bReady = 1;
    }
    ~HarvestFixture() override { harvest.reset(); }

    // Runs one listing of the address to its end.
    void List(const QString& address) {
        view.address = address;
        harvest->GetAlbumsCommand();
        harvest->WaitForJobs();
    }

    QStringList AlbumNames() const {
        QStringList names;
        for (int i = 0; i < harvest->albums.size(); ++i) {
            names << harvest->albums.at(i).strName;
        }
        return names;
    }

    TempDir settingsDir;
    FakeService service;
    HttpProxyGuard proxy;
    RecordingView view;
    std::unique_ptr<Harvest> harvest;
};
