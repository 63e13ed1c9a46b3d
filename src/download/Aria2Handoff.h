#pragma once
// A download job's pictures handed to an aria2 daemon: added in batches (one multicall of
// addUri), their state asked for all at once twice a second, and each picture's end reported
// back like a transfer of the job's own. The daemon writes each picture under the temporary name
// and this side renames it into place once the daemon reports it complete, so nothing partial
// ever sits under a final name. Used on the job's thread; the daemon's answers arrive through
// the job's completion queue.

#include "download/Aria2Rpc.h"
#include "download/Aria2Target.h"
#include "download/JobQueue.h"
#include "net/CookieShare.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <vector>

struct DownloadParams;
struct PlannedPicture;

// One picture's end as the daemon reported it.
struct Aria2Ended {
    int id = 0;
    bool ok = false;
    bool handedOver = false;  // detached: the daemon has it now, the job is done with it
    UrlResponse response;     // bodyLength when complete; error and errorKind otherwise
};

class Aria2Handoff {
public:
    using Clock = std::chrono::steady_clock;

    Aria2Handoff(Aria2Target target, const DownloadParams& params,
                 std::shared_ptr<CompletionQueue> queue);

    // Asks the daemon for its version (waits for the answer); false with the reason, naming
    // aria2 and its address (a refused secret says "Unauthorized").
    bool Check(QString& error);
    // Queues a picture (the job's request number) to be saved as `file` (absolute). The daemon
    // gets the picture's header lines, then the cookies the store holds for its address when
    // it is sent (so a login made meanwhile applies).
    void Add(int id, const PlannedPicture& picture, const QString& address, const QString& file);
    // Sends the queued pictures, or asks for the state of those handed over when it is time.
    void Pump(Clock::time_point now);
    // When Pump has something to do next; far ahead when nothing.
    Clock::time_point NextPump(Clock::time_point now) const;
    // An answer of the daemon (a Completion::Rpc): the pictures that ended with it.
    std::vector<Aria2Ended> Take(const Completion& completion);
    // The stop: every picture the daemon still has is removed from it (waiting for the answer)
    // and its partial files deleted; every picture not ended yet ends as cancelled, except those
    // of an add call still on its way (they end when its answer comes).
    std::vector<Aria2Ended> RemoveAll();

private:
    struct Picture {
        int id = 0;
        Aria2Add add;
        QString address;  // as listed, for its cookies
        QString file;     // the final name
        QString gid;      // once handed over
    };

    UrlRequest RpcRequest(const QByteArray& body, uint32_t timeoutMs) const;
    int Send(const QByteArray& body);
    std::optional<std::vector<Aria2Reply>> Call(const QByteArray& body, int count,
                                                uint32_t timeoutMs, QString& error) const;
    QString Describe(const QString& reason) const;
    void TakeAdded(const Completion& completion, std::vector<Aria2Ended>& ended);
    void TakeStates(const Completion& completion, std::vector<Aria2Ended>& ended);
    Aria2Ended Completed(const Picture& picture) const;
    Aria2Ended Failed(int id, const QString& reason, FetchError kind) const;
    void RemoveFromDaemon(const std::vector<Picture>& pictures);
    void DeleteFiles(const Picture& picture) const;

    Aria2Target target_;
    qint64 minBytes_ = 0;
    qint64 maxBytes_ = 0;  // 0: no upper limit
    std::shared_ptr<CompletionQueue> queue_;
    QList<StoredCookie> cookies_;
    std::vector<Picture> queued_;  // not sent yet
    std::vector<Picture> adding_;  // in the add call on its way
    std::vector<Picture> handed_;  // with the daemon
    std::vector<QString> polled_;  // the gids of the state call on its way
    int addCall_ = -1;             // the numbers of the calls on their way; -1: none
    int stateCall_ = -1;
    int nextCall_ = 0;
    Clock::time_point lastAnswer_{};  // the daemon's last; given up on long without one
    Clock::time_point nextState_{};
    bool stopped_ = false;
};

// The temporary name (a full path) the daemon writes a picture under.
QString Aria2TemporaryName(const QString& file);
