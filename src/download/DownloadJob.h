#pragma once
// One download job: the chosen albums listed and downloaded as one pipeline.
//
// At most params.threadCount requests are in flight over the whole job, list pages and pictures
// together. Several albums are listed at once (each album's pages in order) while earlier ones
// download; a freed slot goes to a list page first while few pictures wait, so the transfers
// never wait for the listing. Per album, in album order, once its last picture has ended: the
// finished notice, the previously-downloaded marker (only when the album is whole) and the
// repairs. In list-only mode each album's address list is written instead.
//
// Run happens on the job's own thread; the network thread only hands outcomes back through a
// queue. A stop (RequestStop, from any thread) aborts the requests in flight and wakes the job at
// once; no further album begins.

#include "download/JobEvents.h"
#include "download/JobInputs.h"
#include "download/JobResult.h"
#include "sources/PictureListers.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class DownloadJob {
public:
    // Makes the picture lister of one album; by default the one the list type names.
    using CursorFactory =
        std::function<std::unique_ptr<PictureCursor>(const ST_PERLISTRECORD& album)>;

    DownloadJob(DownloadJobInputs inputs, JobView& view, CursorFactory makeCursor = nullptr);
    ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // Runs the job to its end (once).
    JobResult Run();
    // Asks the job to stop: from any thread, at any time, any number of times.
    void RequestStop();
    bool StopRequested() const { return stop_->load(); }
    // The folder of the album whose listing began last (the job folder before the first).
    QString CurrentAlbumFolder() const;

private:
    class Pipeline;
    friend class Pipeline;
    void SetCurrentAlbumFolder(const QString& folder);

    DownloadJobInputs inputs_;
    JobView& view_;
    CursorFactory makeCursor_;
    const std::shared_ptr<std::atomic_bool> stop_;  // shared with every request as its cancel flag
    std::shared_ptr<class CompletionQueue> queue_;
    mutable std::mutex mutex_;  // guards currentFolder_
    QString currentFolder_;
};
