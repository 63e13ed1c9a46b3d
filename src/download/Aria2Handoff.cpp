#include "download/Aria2Handoff.h"

#include "download/DownloadBatch.h"
#include "download/SaveRules.h"
#include "net/CookieHeader.h"
#include "net/CookieShare.h"
#include "net/NetworkThread.h"
#include "net/PartialFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QUrl>

#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr auto kStateEvery = 500ms;
constexpr int kMostPerCall = 100;
constexpr auto kGiveUpAfter = 30s;  // without an answer to a state call
constexpr uint32_t kCallTimeoutMs = 15000;
constexpr uint32_t kRemovalCallTimeoutMs = 5000;
constexpr auto kRemovalWait = 3s;

// A daemon on this machine is reached directly, whatever the proxy variables say: they usually
// point at a proxy for the photo services.
bool OnThisMachine(const QString& rpc) {
    const QString host = QUrl(rpc).host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (host == QLatin1String("::1")) {
        return true;
    }
    const QStringList parts = host.split(QLatin1Char('.'));
    bool numeric = parts.size() == 4;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        numeric = numeric && ok && value >= 0 && value <= 255;
    }
    return numeric && parts.first() == QLatin1String("127");
}

std::filesystem::path FsPath(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

QStringList HeaderLines(const QString& extraHeaders) {
    QStringList lines;
    for (const QString& line : extraHeaders.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        QString clean = line;
        clean.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        if (!clean.trimmed().isEmpty()) {
            lines << clean;
        }
    }
    return lines;
}

}  // namespace

QString Aria2TemporaryName(const QString& file) {
    return PartialFile(file).path();  // the name a transfer of this program would use
}

Aria2Handoff::Aria2Handoff(Aria2Target target, const DownloadParams& params,
                           std::shared_ptr<CompletionQueue> queue)
    : target_(std::move(target)),
      minBytes_(static_cast<qint64>(params.minSizeKb) * 1024),
      maxBytes_(static_cast<qint64>(params.maxSizeKb) * 1024),
      queue_(std::move(queue)) {}

QString Aria2Handoff::Describe(const QString& reason) const {
    return QStringLiteral("aria2 at %1: %2").arg(target_.rpc, reason);
}

UrlRequest Aria2Handoff::RpcRequest(const QByteArray& body, uint32_t timeoutMs) const {
    UrlRequest request(target_.rpc, QString(), timeoutMs);
    request.verb = QStringLiteral("POST");
    request.postBody = body;
    request.extraHeaders = QStringLiteral("Content-Type: application/json");
    request.direct = OnThisMachine(target_.rpc);
    request.retryDelaySec = 0;
    return request;
}

// A call whose answer arrives through the queue; its number.
int Aria2Handoff::Send(const QByteArray& body) {
    const int call = nextCall_++;
    const std::shared_ptr<CompletionQueue> queue = queue_;
    const bool accepted = FetchUrlAsync(
        RpcRequest(body, kCallTimeoutMs), 0, [queue, call](UrlResponse&& response, bool ok) {
            queue->Push({Completion::Rpc, 0, call, ok, std::move(response)});
        });
    if (!accepted) {
        UrlResponse refused;
        refused.error = QStringLiteral("network stopped");
        refused.errorKind = FetchError::Stopped;
        queue_->Push({Completion::Rpc, 0, call, false, refused});
    }
    return call;
}

// A call answered before this returns.
std::optional<std::vector<Aria2Reply>> Aria2Handoff::Call(const QByteArray& body, int count,
                                                          uint32_t timeoutMs,
                                                          QString& error) const {
    UrlResponse response;
    if (!FetchUrl(RpcRequest(body, timeoutMs), response, 0)) {
        error = response.error;
        return std::nullopt;
    }
    return Aria2MulticallReplies(response.body, count, error);
}

bool Aria2Handoff::Check(QString& error) {
    UrlResponse response;
    const bool answered = FetchUrl(
        RpcRequest(Aria2Call(QStringLiteral("aria2.getVersion"), target_.secret), kCallTimeoutMs),
        response, 0);
    if (!answered && response.body.isEmpty()) {
        error = Describe(response.error);
        return false;
    }
    QString reason;
    const std::optional<QJsonValue> version = Aria2Result(response.body, reason);
    if (!version) {
        error = Describe(reason);
        return false;
    }
    if (!version->toObject().contains(QStringLiteral("version"))) {
        error = Describe(QStringLiteral("the answer is no aria2 version"));
        return false;
    }
    return true;
}

void Aria2Handoff::Add(int id, const PlannedPicture& picture, const QString& address,
                       const QString& file) {
    const QFileInfo info(file);
    Picture queued;
    queued.id = id;
    queued.file = file;
    queued.add.uri = QUrl(address.trimmed()).toString(QUrl::FullyEncoded);
    queued.add.dir = info.absolutePath();
    queued.add.out =
        target_.detach ? info.fileName() : QFileInfo(Aria2TemporaryName(file)).fileName();
    queued.add.headers = HeaderLines(picture.extraHeaders);
    queued.address = address;
    queued.add.userAgent = QString::fromLatin1(UserAgentText());
    queued_.push_back(std::move(queued));
}

void Aria2Handoff::Pump(Clock::time_point now) {
    if (stopped_) {
        return;
    }
    if (addCall_ < 0 && !queued_.empty()) {
        const size_t count = std::min<size_t>(queued_.size(), kMostPerCall);
        adding_.assign(std::make_move_iterator(queued_.begin()),
                       std::make_move_iterator(queued_.begin() + static_cast<long>(count)));
        queued_.erase(queued_.begin(), queued_.begin() + static_cast<long>(count));
        cookies_ = CookieShare::AllCookies();
        const qint64 nowSecs = QDateTime::currentSecsSinceEpoch();
        std::vector<QJsonArray> calls;
        for (Picture& picture : adding_) {
            const QByteArray cookies = CookieHeaderFor(cookies_, picture.address, nowSecs);
            if (!cookies.isEmpty()) {
                picture.add.headers << QStringLiteral("Cookie: ") + QString::fromUtf8(cookies);
            }
            calls.push_back(Aria2AddParams(picture.add));
        }
        addCall_ = Send(Aria2Multicall(QStringLiteral("aria2.addUri"), target_.secret, calls));
    }
    if (stateCall_ < 0 && !handed_.empty() && now >= nextState_) {
        polled_.clear();
        std::vector<QJsonArray> calls;
        for (const Picture& picture : handed_) {
            polled_.push_back(picture.gid);
            calls.push_back(QJsonArray{
                picture.gid,
                QJsonArray{QStringLiteral("status"), QStringLiteral("totalLength"),
                           QStringLiteral("completedLength"), QStringLiteral("errorCode"),
                           QStringLiteral("errorMessage")}});
        }
        stateCall_ =
            Send(Aria2Multicall(QStringLiteral("aria2.tellStatus"), target_.secret, calls));
        nextState_ = now + kStateEvery;
    }
}

Aria2Handoff::Clock::time_point Aria2Handoff::NextPump(Clock::time_point now) const {
    if (stopped_) {
        return now + 1h;
    }
    if (addCall_ < 0 && !queued_.empty()) {
        return now;
    }
    if (stateCall_ < 0 && !handed_.empty()) {
        return nextState_;
    }
    return now + 1h;
}

std::vector<Aria2Ended> Aria2Handoff::Take(const Completion& completion) {
    std::vector<Aria2Ended> ended;
    if (completion.request == addCall_) {
        TakeAdded(completion, ended);
    } else if (completion.request == stateCall_) {
        TakeStates(completion, ended);
    }
    return ended;
}

Aria2Ended Aria2Handoff::Failed(int id, const QString& reason, FetchError kind) const {
    Aria2Ended failed;
    failed.id = id;
    failed.response.error = reason;
    failed.response.errorKind = kind;
    return failed;
}

void Aria2Handoff::TakeAdded(const Completion& completion, std::vector<Aria2Ended>& ended) {
    addCall_ = -1;
    std::vector<Picture> added;
    added.swap(adding_);
    QString error = completion.response.error;
    const std::optional<std::vector<Aria2Reply>> replies =
        completion.ok
            ? Aria2MulticallReplies(completion.response.body, static_cast<int>(added.size()), error)
            : std::nullopt;
    if (!replies) {
        // The daemon could not be reached or did not answer as one: every picture of the call
        // failed. Only a call that never reached the daemon is tried again by the job: after a
        // time-out or a broken answer the daemon may have the pictures already, and adding them
        // again under the same names would clash with them.
        const FetchError sent = completion.response.errorKind;
        const bool unsent =
            !completion.ok && (sent == FetchError::Refused || sent == FetchError::Unreachable ||
                               sent == FetchError::HostNotFound);
        const FetchError kind = unsent ? sent : FetchError::Other;
        for (const Picture& picture : added) {
            ended.push_back(Failed(picture.id, Describe(error), kind));
        }
        return;
    }
    lastAnswer_ = Clock::now();
    std::vector<Picture> toRemove;
    for (size_t i = 0; i < added.size(); ++i) {
        Picture& picture = added[i];
        const Aria2Reply& reply = (*replies)[i];
        const QString gid = reply.value.toString();
        if (!reply.ok || !IsAria2Gid(gid)) {
            ended.push_back(
                Failed(picture.id,
                       Describe(reply.ok ? QStringLiteral("the answer holds no download id")
                                         : reply.error),
                       FetchError::Other));
            continue;
        }
        picture.gid = gid;
        if (stopped_) {
            toRemove.push_back(picture);
            ended.push_back(Failed(picture.id, QStringLiteral("cancelled"), FetchError::Cancelled));
        } else if (target_.detach) {
            Aria2Ended handed;
            handed.id = picture.id;
            handed.ok = true;
            handed.handedOver = true;
            ended.push_back(handed);
        } else {
            handed_.push_back(std::move(picture));
        }
    }
    if (!toRemove.empty()) {
        RemoveFromDaemon(toRemove);
    }
}

void Aria2Handoff::TakeStates(const Completion& completion, std::vector<Aria2Ended>& ended) {
    stateCall_ = -1;
    QString error = completion.response.error;
    const std::optional<std::vector<Aria2Reply>> replies =
        completion.ok ? Aria2MulticallReplies(completion.response.body,
                                              static_cast<int>(polled_.size()), error)
                      : std::nullopt;
    if (!replies) {
        if (Clock::now() - lastAnswer_ >= kGiveUpAfter) {
            // Given up on: the daemon is asked (briefly) to let go of them, so that it does not
            // go on writing into the album folders.
            RemoveFromDaemon(handed_);
            for (const Picture& picture : handed_) {
                ended.push_back(Failed(picture.id,
                                       Describe(QStringLiteral("no answer (%1)").arg(error)),
                                       FetchError::Other));
            }
            handed_.clear();
        }
        return;
    }
    lastAnswer_ = Clock::now();
    for (size_t i = 0; i < polled_.size(); ++i) {
        const auto found = std::find_if(handed_.begin(), handed_.end(),
                                        [&](const Picture& p) { return p.gid == polled_[i]; });
        if (found == handed_.end()) {
            continue;
        }
        const Aria2Reply& reply = (*replies)[i];
        if (!reply.ok) {
            // The daemon no longer knows it (restarted, or its results were purged).
            ended.push_back(Failed(found->id, Describe(reply.error), FetchError::Other));
            handed_.erase(found);
            continue;
        }
        const Aria2Status status = Aria2StatusOf(reply.value);
        switch (status.state) {
            case Aria2Status::Complete:
                ended.push_back(Completed(*found));
                break;
            case Aria2Status::Error:
                DeleteFiles(*found);  // the daemon has let go of them; nothing resumes them
                ended.push_back(Failed(found->id,
                                       QStringLiteral("aria2: %1 (error %2)")
                                           .arg(status.errorMessage, status.errorCode),
                                       FetchError::Other));
                break;
            case Aria2Status::Removed:
                DeleteFiles(*found);
                ended.push_back(
                    Failed(found->id, QStringLiteral("removed from aria2"), FetchError::Other));
                break;
            default:
                continue;  // still on its way
        }
        handed_.erase(found);
    }
}

// A picture the daemon reports complete: renamed into place, unless the size filter leaves it
// out (the daemon knows no such filter).
Aria2Ended Aria2Handoff::Completed(const Picture& picture) const {
    const QString temporary = picture.add.dir + QLatin1Char('/') + picture.add.out;
    const qint64 size = QFileInfo(temporary).size();
    if (!QFileInfo::exists(temporary)) {
        return Failed(
            picture.id,
            QStringLiteral("aria2 reported it complete, but %1 is missing").arg(temporary),
            FetchError::File);
    }
    if (size < minBytes_ || (maxBytes_ > 0 && size > maxBytes_)) {
        QFile::remove(temporary);
        return Failed(picture.id,
                      size < minBytes_ ? QStringLiteral("body under size limit")
                                       : QStringLiteral("body over size limit"),
                      size < minBytes_ ? FetchError::UnderSizeLimit : FetchError::OverSizeLimit);
    }
    std::error_code ec;
    std::filesystem::rename(FsPath(temporary), FsPath(picture.file), ec);
    if (ec) {
        return Failed(picture.id,
                      QStringLiteral("cannot rename file: ") + QString::fromStdString(ec.message()),
                      FetchError::File);
    }
    QFile::remove(PartialFile(picture.file).validatorPath());  // of an earlier try of its own
    Aria2Ended done;
    done.id = picture.id;
    done.ok = true;
    done.response.statusCode = 200;
    done.response.bodyLength = size;
    return done;
}

std::vector<Aria2Ended> Aria2Handoff::RemoveAll() {
    stopped_ = true;
    std::vector<Aria2Ended> ended;
    for (const Picture& picture : queued_) {
        ended.push_back(Failed(picture.id, QStringLiteral("cancelled"), FetchError::Cancelled));
    }
    queued_.clear();
    if (!handed_.empty()) {
        RemoveFromDaemon(handed_);
        for (const Picture& picture : handed_) {
            ended.push_back(Failed(picture.id, QStringLiteral("cancelled"), FetchError::Cancelled));
        }
        handed_.clear();
    }
    return ended;
}

// Removes the pictures from the daemon, waits (a little) until it has let go of their files,
// and deletes what it wrote of them.
void Aria2Handoff::RemoveFromDaemon(const std::vector<Picture>& pictures) {
    std::vector<QJsonArray> removals;
    std::vector<QJsonArray> states;
    for (const Picture& picture : pictures) {
        removals.push_back(QJsonArray{picture.gid});
        states.push_back(QJsonArray{picture.gid, QJsonArray{QStringLiteral("status")}});
    }
    const int count = static_cast<int>(pictures.size());
    QString error;
    Call(Aria2Multicall(QStringLiteral("aria2.forceRemove"), target_.secret, removals), count,
         kRemovalCallTimeoutMs, error);
    const Clock::time_point until = Clock::now() + kRemovalWait;
    while (Clock::now() < until) {
        const std::optional<std::vector<Aria2Reply>> replies =
            Call(Aria2Multicall(QStringLiteral("aria2.tellStatus"), target_.secret, states), count,
                 kRemovalCallTimeoutMs, error);
        const bool settled =
            !replies || std::all_of(replies->begin(), replies->end(), [](const Aria2Reply& r) {
                const Aria2Status::State state = Aria2StatusOf(r.value).state;
                return !r.ok || state == Aria2Status::Removed || state == Aria2Status::Complete ||
                       state == Aria2Status::Error;
            });
        if (settled) {
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    if (target_.detach) {
        return;  // the daemon's files, under their final names: not this side's to delete
    }
    for (const Picture& picture : pictures) {
        DeleteFiles(picture);
    }
}

// What the daemon wrote of a picture under its temporary name, and its control file.
void Aria2Handoff::DeleteFiles(const Picture& picture) const {
    if (target_.detach) {
        return;
    }
    const QString temporary = picture.add.dir + QLatin1Char('/') + picture.add.out;
    QFile::remove(temporary);
    QFile::remove(temporary + QStringLiteral(".aria2"));
}
