#pragma once
// The download of one picture: its request, and what each outcome means for it (saved, failed,
// left out by the size filter, stopped, the fallback address next, or the same address again
// after a pause).

#include "download/DownloadBatch.h"
#include "download/SaveRules.h"
#include "net/URLSource2.h"

#include <QString>

#include <atomic>
#include <memory>

// How far one picture's requests have got.
struct PictureTry {
    bool onFallback = false;  // the fallback address is being fetched
    int retries = 0;          // requests repeated after a failure so far
};

// The request for the picture's current address into albumFolder + its file name: the
// parameters' read time-out and size limits, its header lines, failing on an error status.
UrlRequest MakePictureRequest(const PlannedPicture& picture, const QString& albumFolder,
                              const DownloadParams& params, const PictureTry& state,
                              const std::shared_ptr<std::atomic_bool>& cancel);

struct PictureVerdict {
    enum Step { Saved, Failed, SkippedBySize, Stopped, Fallback, Retry } step = Failed;
    int waitSeconds = 0;  // Retry
    QString reason;       // Failed, SkippedBySize
};

// What the outcome of one request means. A failed request, or one that brought an empty body,
// goes on with the fallback address when there is one not tried yet; a busy server is asked
// again as the retry rule says; a body outside the size limits is left out, not failed.
PictureVerdict JudgePicture(bool ok, const UrlResponse& response, const PlannedPicture& picture,
                            const PictureTry& state, int maxRetries, bool stopping);

// Fetch flags of a picture request.
inline constexpr unsigned kPictureFetchFlags = FETCH_CACHE_WRITE | FETCH_NO_RELOAD;
