#pragma once
// What the listing and download jobs show or ask. The desktop window and the terminal front end
// implement it. Jobs call it from their own threads; an implementation delivers every call on its
// own (UI) thread and blocks the caller only where the job needs an answer. The download job's
// events come through JobView.

#include "download/JobEvents.h"

#include <QList>
#include <QString>

#include <optional>

// How a listing ended.
struct ListingSummary {
    int albums = 0;                      // albums listed
    bool refused = false;                // the address was refused before anything was fetched
    int unsupportedKind = -1;  // a recognised service without listers: nothing was fetched
    bool stopped = false;                // the user stopped it
    std::optional<PageFailure> failure;  // a page could not be fetched; the list is incomplete
};

class HarvestView : public JobView {
public:
    // The listing job: it began (the listing state), grid rows, it ended (the idle state).
    virtual void ListingStarted() = 0;
    virtual void ResetGrid() = 0;
    virtual void AddGridRow(int index) = 0;
    virtual void RefreshGrid() = 0;
    virtual void ListingFinished(const ListingSummary& summary) = 0;

    // Inputs the jobs read when they start: the address box, the save-path box, the sub-kind
    // selection (-1 while the sub-kind selector is hidden), the albums chosen for a download
    // (album indexes, in the grid's order).
    virtual QString AddressText() = 0;
    virtual QString SavePathText() = 0;
    virtual int SubKindSelection() = 0;
    virtual QList<int> ChosenAlbums() = 0;

    // A text entered one of the histories (0 addresses, 1 save folders).
    virtual void HistoryAdded(int which, const QString& text) = 0;
    // A single post listed as one album: select it and start its download.
    virtual void StartAutoDownload() = 0;
};
