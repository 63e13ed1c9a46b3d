#pragma once
// The download workers of one album: its pictures fetched as concurrent transfers on the network
// thread, at most jobParams.threadCount at a time, started in batch order. Pictures are handed
// over while the album is still being listed, so the downloads overlap the listing's page
// requests; the progress and the end are reported once the listing is complete.

#include <QString>

#include <memory>

class Harvest;

class DownloadWorkers {
public:
    // Starts an album's workers: clears the stop flag (unless a stop is already requested).
    explicit DownloadWorkers(Harvest& harvest);
    ~DownloadWorkers();  // aborts and waits for anything still in flight
    DownloadWorkers(const DownloadWorkers&) = delete;
    DownloadWorkers& operator=(const DownloadWorkers&) = delete;

    // The batch entry at index has been listed (called on the job thread, in batch order).
    void Add(int index);
    // The listing has ended: shows the progress until every picture has finished, or, after a
    // stop request, until every transfer in flight has been aborted and has ended; then reports
    // the end to the view (not for an empty batch or a thread count of 0).
    void Finish();

private:
    class Manager;
    std::shared_ptr<Manager> manager_;
};

// Downloads a batch that is already listed, start to end.
void StartDownloadWorkers(Harvest& harvest);
