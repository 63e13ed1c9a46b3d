#pragma once
// The two status lines and the grid's frame text as the window shows them, made from the jobs'
// events. Kept apart from the window so that every front end and test shows the same texts.

#include "app/HarvestView.h"

#include <QString>

#include <optional>

struct StatusLines {
    std::optional<QString> line1;
    std::optional<QString> line2;
};

// A page failure in the window's words: the host and what went wrong.
QString DescribePageFailure(const PageFailure& failure);

// Listing texts.
StatusLines ListingStartedText();
StatusLines ListingFinishedText(const ListingSummary& summary);
QString ListingGroupText(const ListingSummary& summary);

// Download texts: the second line shows the listing of the first album until the first picture
// has ended, then the job's pictures ended of those listed so far.
class DownloadStatusText {
public:
    StatusLines JobStarted();
    StatusLines AlbumStarted(const AlbumStartedEvent& event);
    StatusLines PictureListed(const PictureListedEvent& event);
    StatusLines AlbumListed(const AlbumListedEvent& event);
    StatusLines PictureEnded(const PictureEndedEvent& event);
    StatusLines AlbumFinished(const AlbumFinishedEvent& event);
    StatusLines JobFinished(const JobResult& result);

private:
    QString Progress() const;

    bool anyEnded_ = false;
    JobProgress last_;
};
