#include "download/DownProc.h"

#include "net/RetryPolicy.h"

UrlRequest MakePictureRequest(const PlannedPicture& picture, const QString& albumFolder,
                              const DownloadParams& params, const PictureTry& state,
                              const std::shared_ptr<std::atomic_bool>& cancel) {
    const QString address = picture.addresses.value(state.onFallback ? 1 : 0);
    UrlRequest request(address, albumFolder + picture.fileName, kDefaultTimeoutMs);
    request.readTimeoutMs = static_cast<uint32_t>(params.timeoutSec) * 1000;
    request.minSizeKb = params.minSizeKb;
    request.maxSizeKb = params.maxSizeKb;
    request.extraHeaders = picture.extraHeaders;
    request.failOnHttpError = true;
    request.resume = true;
    request.retryDelaySec = 0;  // the job's retry rule spaces the tries
    request.cancel = cancel;
    return request;
}

PictureVerdict JudgePicture(bool ok, const UrlResponse& response, const PlannedPicture& picture,
                            const PictureTry& state, int maxRetries, bool stopping) {
    const bool fallbackLeft = !state.onFallback && picture.addresses.size() > 1;
    if (!ok && (stopping || response.errorKind == FetchError::Cancelled)) {
        return {PictureVerdict::Stopped, 0, response.error};
    }
    if (ok && response.bodyLength == 0 && fallbackLeft) {
        return {PictureVerdict::Fallback, 0, {}};
    }
    if (ok) {
        return {PictureVerdict::Saved, 0, {}};
    }
    if (response.errorKind == FetchError::UnderSizeLimit ||
        response.errorKind == FetchError::OverSizeLimit) {
        return {PictureVerdict::SkippedBySize, 0, response.error};
    }
    if (fallbackLeft) {
        return {PictureVerdict::Fallback, 0, {}};
    }
    const RetryDecision retry = DecideRetry(response, ok, state.retries, maxRetries);
    if (retry.retry) {
        return {PictureVerdict::Retry, retry.waitSeconds, {}};
    }
    return {PictureVerdict::Failed, 0, response.error};
}
