#pragma once
// One HTTP exchange on the network thread: its libcurl easy handle, the callbacks and the state
// they keep (header block, body or save file, progress times). Used only on the network thread.

#include <curl/curl.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "net/BodyTrim.h"
#include "net/PartialFile.h"
#include "net/URLSource2.h"

// Why an exchange failed; an empty text means it did not.
struct Failure {
    FetchError kind = FetchError::None;
    QString text;
};

class Transfer {
public:
    using Clock = std::chrono::steady_clock;
    using Done = std::function<void(UrlResponse&& response, bool ok)>;

    // previousHeaders stays the response's header block when no response arrives.
    Transfer(const UrlRequest& request, unsigned fetchFlags, const QString& previousHeaders,
             Done done);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Creates and configures the easy handle. False when the request cannot be made; Finish then
    // reports why.
    bool Prepare(CURLSH* share);
    CURL* Handle() const { return easy_; }
    // Starts the clock of the per-step time-outs.
    void Started(Clock::time_point now);
    // Why the exchange must be aborted at this moment (cancelled, no progress for too long), or
    // nullptr.
    const char* AbortReason(Clock::time_point now) const;
    // "cancelled" when the request's cancel flag is set and its save file is not whole yet, else
    // nullptr.
    const char* CancelReason() const;
    // When AbortReason turns into a time-out unless progress happens first.
    Clock::time_point Deadline() const;
    // Ends the exchange with libcurl's result, or with abortReason when the loop aborted it:
    // judges the outcome, settles the save file, fills the response and calls the done callback.
    void Finish(CURLcode code, const char* abortReason = nullptr);

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnWrite(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                          curl_off_t ulNow);
    static int OnConnected(void* self, char*, char*, int, int);
    static int OnDebug(CURL* easy, curl_infotype type, char* data, size_t size, void* self);

    curl_slist* BuildHeaderList() const;
    void SetVerbAndBody();
    bool HeaderLine(const char* data, qsizetype size);
    bool FinalHeadersEnded();
    bool OpenSaveFile(qint64 start);
    bool TakeWholePartial();
    Failure RenameIntoPlace();
    bool Write(const char* data, qsizetype size);
    bool Fail(FetchError kind, const QString& reason);
    Failure JudgeOutcome(CURLcode code, const char* abortReason);
    Failure SettleSaveFile(Failure failure);
    qint64 AcceptedLength() const;
    void MarkProgress() { lastProgress_ = Clock::now(); }

    UrlRequest request_;
    unsigned fetchFlags_;
    Done done_;
    UrlResponse response_;
    QString previousHeaders_;

    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    QByteArray url_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};

    QByteArray block_;  // header block of the response being received
    int status_ = 0;
    bool sawStatus_ = false;
    bool hasLocation_ = false;
    bool finalHeaders_ = false;  // the final response's header block is complete
    std::optional<StreamingTrim> trim_;
    bool stoppedAtEnd_ = false;  // reading stopped at the end marker (a success)
    Failure failure_;            // why a callback aborted the exchange

    std::optional<PartialFile> partial_;  // where a save file is written until it is whole
    std::unique_ptr<QFile> file_;         // the partial file, while it is open
    qint64 resumeOffset_ = 0;             // bytes of an earlier try that this one continues
    QByteArray resumeValidator_;
    bool wholeAlready_ = false;  // the partial turned out to be the whole picture
    qint64 written_ = 0;         // bytes of the picture in the save file, an earlier try's included
    qint64 wholeLength_ = -1;    // the picture's length as its answer announced it; -1 unknown

    Clock::time_point lastProgress_;
    Clock::time_point started_;
    QList<QByteArray> sentHeaders_;  // for the request log
    curl_off_t lastDown_ = 0;
    curl_off_t lastUp_ = 0;
};
