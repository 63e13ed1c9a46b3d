#include "net/Transfer.h"

#include <QCryptographicHash>
#include <QStringList>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "net/NetworkThread.h"
#include "net/PartialFile.h"
#include "net/RequestLog.h"
#include "net/RequestUrl.h"

namespace {

constexpr char kAgent[] =
    "Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/44.0.12.87 Safari/537.36";
constexpr long kMaxRedirects = 10;
constexpr long kReadBufferSize = 102400;

constexpr char kOverLimit[] = "body over size limit";
constexpr char kUnderLimit[] = "body under size limit";

qint64 KbLimit(uint32_t kb) {
    return static_cast<qint64>(kb) * 1024;
}

bool StartsWithNoCase(const QByteArray& text, const char* prefix) {
    return text.left(qstrlen(prefix)).compare(prefix, Qt::CaseInsensitive) == 0;
}

// The header lines of the caller's text, split on line ends; blank lines dropped.
QList<QByteArray> ExtraHeaderLines(const QString& extraHeaders) {
    QList<QByteArray> lines;
    for (QByteArray line : extraHeaders.toUtf8().split('\n')) {
        line.replace('\r', QByteArray());
        if (!line.trimmed().isEmpty()) {
            lines.append(line);
        }
    }
    return lines;
}

bool HasHeader(const QList<QByteArray>& lines, const char* name) {
    for (const QByteArray& line : lines) {
        if (StartsWithNoCase(line, name)) {
            return true;
        }
    }
    return false;
}

// The number after the first "Content-Length:" of the block (white space skipped, digits read
// up to the first other character); nullopt when the block has none.
std::optional<qint64> ContentLength(const QByteArray& block) {
    qsizetype pos = block.indexOf("Content-Length:");
    if (pos < 0) {
        return std::nullopt;
    }
    pos += qstrlen("Content-Length:");
    while (pos < block.size() && (block[pos] == ' ' || block[pos] == '\t')) {
        ++pos;
    }
    qint64 value = 0;
    for (; pos < block.size() && block[pos] >= '0' && block[pos] <= '9'; ++pos) {
        value = std::min<qint64>(value * 10 + (block[pos] - '0'), Q_INT64_C(1) << 60);
    }
    return value;
}

int ParseStatus(const QByteArray& statusLine) {
    const qsizetype space = statusLine.indexOf(' ');
    return space < 0 ? 0 : statusLine.mid(space + 1, 3).toInt();
}

std::filesystem::path FsPath(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

Failure DescribeError(CURLcode code, CURL* easy, const char* detail) {
    long osError = 0;
    if (easy != nullptr) {
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
    }
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return {FetchError::TimedOut, QStringLiteral("timed out")};
        case CURLE_COULDNT_CONNECT:
            return osError == ECONNREFUSED
                       ? Failure{FetchError::Refused, QStringLiteral("connection refused")}
                       : Failure{FetchError::Unreachable, QStringLiteral("could not connect")};
        case CURLE_COULDNT_RESOLVE_HOST:
            return {FetchError::HostNotFound, QStringLiteral("host not found")};
        case CURLE_COULDNT_RESOLVE_PROXY:
            return {FetchError::HostNotFound, QStringLiteral("proxy not found")};
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return {FetchError::Reset, osError == ECONNRESET ? QStringLiteral("connection reset")
                                                             : QStringLiteral("connection lost")};
        case CURLE_GOT_NOTHING:
            return {FetchError::Reset, QStringLiteral("empty reply")};
        case CURLE_PARTIAL_FILE:
            return {FetchError::Reset,
                    QStringLiteral("connection closed before the body was complete")};
        case CURLE_TOO_MANY_REDIRECTS:
            return {FetchError::Other, QStringLiteral("too many redirects")};
        case CURLE_URL_MALFORMAT:
            return {FetchError::Other, QStringLiteral("bad address")};
        case CURLE_UNSUPPORTED_PROTOCOL:
            return {FetchError::Other, QStringLiteral("unsupported scheme")};
        case CURLE_BAD_CONTENT_ENCODING:
        case CURLE_WEIRD_SERVER_REPLY:
            return {FetchError::Reset, QStringLiteral("malformed reply")};
        default:
            break;
    }
    const QString text = QString::fromUtf8(*detail ? detail : curl_easy_strerror(code));
    if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CONNECT_ERROR) {
        return {FetchError::Tls, QStringLiteral("TLS error: ") + text};
    }
    return {FetchError::Other, text};
}

// The failure a loop-side abort reason stands for.
Failure AbortFailure(const char* reason) {
    const QString text = QString::fromLatin1(reason);
    if (text == QLatin1String("cancelled")) {
        return {FetchError::Cancelled, text};
    }
    if (text == QLatin1String("timed out")) {
        return {FetchError::TimedOut, text};
    }
    if (text == QLatin1String("network stopped")) {
        return {FetchError::Stopped, text};
    }
    return {FetchError::Other, text};
}

}  // namespace

const char* UserAgentText() {
    return kAgent;
}

Transfer::Transfer(const UrlRequest& request, unsigned fetchFlags, const QString& previousHeaders,
                   Done done)
    : request_(request),
      fetchFlags_(fetchFlags),
      done_(std::move(done)),
      previousHeaders_(previousHeaders) {
    started_ = Clock::now();
    response_.beginMarker = request.beginMarker;
    response_.endMarker = request.endMarker;
}

Transfer::~Transfer() {
    if (file_) {
        file_->close();
        if (!(request_.resume && partial_->HasValidator())) {
            partial_->Discard();
        }
    }
    if (easy_ != nullptr) {
        curl_easy_cleanup(easy_);
    }
    curl_slist_free_all(headerList_);
}

bool Transfer::Prepare(CURLSH* share) {
    url_ = EncodeRequestUrl(request_.url);
    if (url_.isEmpty()) {
        return Fail(FetchError::Other, QStringLiteral("no address"));
    }
    easy_ = curl_easy_init();
    if (easy_ == nullptr) {
        return Fail(FetchError::Other, QStringLiteral("cannot start a transfer"));
    }
    if (!request_.savePath.isEmpty()) {
        partial_.emplace(request_.savePath);
        if (request_.resume) {
            if (const std::optional<PartialFile::Resume> resume = partial_->Prepare(url_)) {
                resumeOffset_ = resume->offset;
                resumeValidator_ = resume->validator;
            }
        }
    }
    headerList_ = BuildHeaderList();
    curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy_, CURLOPT_URL, url_.constData());
    curl_easy_setopt(easy_, CURLOPT_SHARE, share);
    curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");  // cookie engine on, no file
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, kAgent);
    if (request_.direct) {
        curl_easy_setopt(easy_, CURLOPT_NOPROXY, "*");
    }
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // HTTP/1.1 keeps the raw header block as the callers search it ("Content-Length:").
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReadBufferSize);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    if (request_.connectTimeoutMs > 0) {
        curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(request_.connectTimeoutMs));
    }
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &Transfer::OnWrite);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &Transfer::OnConnected);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);
    if (CurrentRequestLogger()) {
        // The header lines as they go out, for the request log.
        curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &Transfer::OnDebug);
        curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L);
    }
    SetVerbAndBody();
    return true;
}

int Transfer::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    if (type == CURLINFO_HEADER_OUT) {
        auto* transfer = static_cast<Transfer*>(self);
        transfer->sentHeaders_.clear();  // the last request's (after a redirect)
        for (QByteArray line : QByteArray(data, static_cast<qsizetype>(size)).split('\n')) {
            line = line.trimmed();
            if (!line.isEmpty()) {
                transfer->sentHeaders_.append(line);
            }
        }
    }
    return 0;
}

curl_slist* Transfer::BuildHeaderList() const {
    const QList<QByteArray> extra = ExtraHeaderLines(request_.extraHeaders);
    QList<QByteArray> lines;
    if (!(fetchFlags_ & FETCH_NO_RELOAD) && !HasHeader(extra, "Cache-Control:")) {
        lines.append("Cache-Control: no-cache");  // what a reload asks of caches
    }
    lines.append(extra);
    if (resumeOffset_ > 0) {
        // Only the missing bytes, and only of the same picture.
        lines.append("Range: bytes=" + QByteArray::number(resumeOffset_) + '-');
        lines.append("If-Range: " + resumeValidator_);
    }
    if (!HasHeader(extra, "Accept:")) {
        lines.append("Accept:");  // libcurl's own "Accept: */*" is not sent
    }
    if (!HasHeader(extra, "Expect:")) {
        lines.append("Expect:");  // the body goes out at once, without waiting for 100-continue
    }
    if (request_.postBody && !HasHeader(extra, "Content-Type:")) {
        lines.append("Content-Type:");  // no content type unless the caller gives one
    }
    curl_slist* list = nullptr;
    for (const QByteArray& line : lines) {
        list = curl_slist_append(list, line.constData());
    }
    return list;
}

void Transfer::SetVerbAndBody() {
    const QByteArray verb = request_.verb.toUtf8();
    if (request_.postBody) {
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request_.postBody->size()));
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, request_.postBody->constData());
        if (verb != "POST") {
            curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb.constData());
        }
    } else if (verb == "HEAD") {
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    } else if (verb == "POST") {
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t{0});
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, "");
    } else if (verb != "GET" && !verb.isEmpty()) {
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb.constData());
    }
}

void Transfer::Started(Clock::time_point now) {
    lastProgress_ = now;
    started_ = now;
}

const char* Transfer::CancelReason() const {
    if (!request_.cancel || !request_.cancel->load()) {
        return nullptr;
    }
    // A save file whose last byte has arrived is finished, not abandoned: a stop that comes in
    // the same moment must not leave a whole picture behind as a partial.
    const bool whole = file_ && wholeLength_ >= 0 && written_ >= wholeLength_;
    return whole ? nullptr : "cancelled";
}

const char* Transfer::AbortReason(Clock::time_point now) const {
    if (const char* reason = CancelReason()) {
        return reason;
    }
    return now >= Deadline() ? "timed out" : nullptr;
}

Transfer::Clock::time_point Transfer::Deadline() const {
    const uint32_t limitMs = finalHeaders_ ? request_.readTimeoutMs : request_.connectTimeoutMs;
    if (limitMs == 0) {
        return Clock::time_point::max();
    }
    return lastProgress_ + std::chrono::milliseconds(limitMs);
}

size_t Transfer::OnHeader(char* data, size_t size, size_t count, void* self) {
    const size_t n = size * count;
    return static_cast<Transfer*>(self)->HeaderLine(data, static_cast<qsizetype>(n)) ? n : 0;
}

bool Transfer::HeaderLine(const char* data, qsizetype size) {
    MarkProgress();
    if (finalHeaders_) {
        return true;  // trailer lines after a chunked body
    }
    const QByteArray line(data, size);
    if (line.startsWith("HTTP/")) {  // a new response (after an interim one or a redirect)
        block_.clear();
        status_ = ParseStatus(line);
        sawStatus_ = true;
        hasLocation_ = false;
    }
    block_.append(line);
    if (StartsWithNoCase(line, "Location:")) {
        hasLocation_ = true;
    }
    if (line != "\r\n" && line != "\n") {
        return true;
    }
    if (status_ >= 100 && status_ < 200) {
        return true;  // interim response; the real one follows
    }
    if (status_ >= 300 && status_ < 400 && hasLocation_) {
        return true;  // libcurl follows it; its body is skipped
    }
    return FinalHeadersEnded();
}

bool Transfer::FinalHeadersEnded() {
    finalHeaders_ = true;
    response_.isGzip = block_.contains("gzip");
    if (resumeOffset_ > 0 && status_ == 416) {
        return TakeWholePartial();
    }
    // An error answer is a failure whatever its size (its body is no picture).
    if (request_.failOnHttpError && status_ >= 400) {
        return Fail(FetchError::HttpStatus, QStringLiteral("HTTP %1").arg(status_));
    }
    qint64 start = 0;  // where this answer's body begins in the save file
    if (resumeOffset_ > 0) {
        if (status_ == 206) {
            // Only the rest of the picture, to its end, continues the partial.
            const std::optional<ContentRange> range =
                ParseContentRange(HeaderValue(block_, "Content-Range").value_or(QByteArray()));
            if (!range || range->first != resumeOffset_ ||
                (range->total >= 0 && range->last + 1 != range->total)) {
                partial_->Discard();
                return Fail(FetchError::Other, QStringLiteral("unexpected Content-Range"));
            }
            start = resumeOffset_;
        } else if (status_ != 200) {
            // 200: the whole picture again (it changed, or ranges are not served): from zero.
            return Fail(
                FetchError::Other,
                QStringLiteral("unexpected answer to a range request (HTTP %1)").arg(status_));
        }
    }
    if (const auto announced = ContentLength(block_)) {
        const qint64 length = start + *announced;  // the limits hold for the whole picture
        if (!response_.isGzip) {
            wholeLength_ = length;
        }
        if (length < KbLimit(request_.minSizeKb)) {
            return Fail(FetchError::UnderSizeLimit, QString::fromLatin1(kUnderLimit));
        }
        if (request_.maxSizeKb != 0 && length > KbLimit(request_.maxSizeKb)) {
            return Fail(FetchError::OverSizeLimit, QString::fromLatin1(kOverLimit));
        }
        if (!request_.savePath.isEmpty() && length > kBodyCap) {
            // never started, never written
            return Fail(FetchError::TooLarge, QString::fromLatin1(kOverLimit));
        }
    }
    if (!request_.savePath.isEmpty()) {
        if (request_.resume) {
            // Kept at once, so that a partial left by a kill can be continued too; a 206
            // without one keeps the validator it was asked with.
            const QByteArray validator = ResumeValidator(block_);
            if (!validator.isEmpty() || start == 0) {
                partial_->KeepValidator({validator, url_});
            }
        }
        return OpenSaveFile(start);
    }
    if (!response_.isGzip && !(request_.beginMarker.isEmpty() && request_.endMarker.isEmpty())) {
        trim_.emplace(request_.beginMarker, request_.endMarker);
    }
    return true;
}

// A range request answered 416: the partial may already be the whole picture (the earlier try
// was cut off after its last byte), as "Content-Range: bytes */<its length>" says; else it no
// longer fits the picture, and the next try starts from zero.
bool Transfer::TakeWholePartial() {
    const QByteArray range = HeaderValue(block_, "Content-Range").value_or(QByteArray());
    if (range == "bytes */" + QByteArray::number(resumeOffset_)) {
        wholeAlready_ = true;
        written_ = resumeOffset_;
        return true;  // the body of the answer is not the picture's
    }
    partial_->Discard();
    return Fail(FetchError::Reset, QStringLiteral("the kept part does not fit the picture"));
}

bool Transfer::OpenSaveFile(qint64 start) {
    file_ = std::make_unique<QFile>(partial_->path());
    // Unbuffered: what arrived is on disk, for a later try to continue even after a kill.
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered |
                                     (start > 0 ? QIODevice::Append : QIODevice::Truncate);
    if (!file_->open(mode)) {
        const QString reason = file_->errorString();
        file_.reset();
        return Fail(FetchError::File, QStringLiteral("cannot create file: ") + reason);
    }
    if (file_->size() != start) {
        return Fail(FetchError::File, QStringLiteral("the partial file changed meanwhile"));
    }
    written_ = start;
    return true;
}

size_t Transfer::OnWrite(char* data, size_t size, size_t count, void* self) {
    const size_t n = size * count;
    return static_cast<Transfer*>(self)->Write(data, static_cast<qsizetype>(n))
               ? n
               : CURL_WRITEFUNC_ERROR;
}

bool Transfer::Write(const char* data, qsizetype size) {
    MarkProgress();
    if (!finalHeaders_ && !FinalHeadersEnded()) {
        return false;
    }
    if (wholeAlready_) {
        return true;
    }
    if (file_) {
        if (file_->write(data, size) != size) {
            return Fail(FetchError::File,
                        QStringLiteral("cannot write file: ") + file_->errorString());
        }
        written_ += size;
        if (request_.maxSizeKb != 0 && written_ > KbLimit(request_.maxSizeKb)) {
            return Fail(FetchError::OverSizeLimit, QString::fromLatin1(kOverLimit));
        }
        if (written_ > kBodyCap) {
            // a body that never ends
            return Fail(FetchError::TooLarge, QString::fromLatin1(kOverLimit));
        }
        return true;
    }
    QByteArray& body = response_.body;
    if (trim_) {
        if (trim_->Append(body, data, size)) {
            stoppedAtEnd_ = true;
            return false;  // the rest of the response is not read
        }
    } else {
        body.append(data, size);
    }
    if (request_.maxSizeKb != 0 && body.size() > KbLimit(request_.maxSizeKb)) {
        return Fail(FetchError::OverSizeLimit, QString::fromLatin1(kOverLimit));
    }
    if (body.size() > kBodyCap) {
        return Fail(FetchError::TooLarge, QString::fromLatin1(kOverLimit));
    }
    return true;
}

int Transfer::OnProgress(void* self, curl_off_t, curl_off_t dlNow, curl_off_t, curl_off_t ulNow) {
    auto* t = static_cast<Transfer*>(self);
    if (t->CancelReason() != nullptr) {
        t->Fail(FetchError::Cancelled, QStringLiteral("cancelled"));
        return 1;
    }
    if (dlNow != t->lastDown_ || ulNow != t->lastUp_) {
        t->lastDown_ = dlNow;
        t->lastUp_ = ulNow;
        t->MarkProgress();
    }
    return 0;
}

int Transfer::OnConnected(void* self, char*, char*, int, int) {
    static_cast<Transfer*>(self)->MarkProgress();
    return CURL_PREREQFUNC_OK;
}

bool Transfer::Fail(FetchError kind, const QString& reason) {
    if (failure_.text.isEmpty()) {
        failure_ = {kind, reason};
    }
    return false;
}

qint64 Transfer::AcceptedLength() const {
    return partial_ ? written_ : response_.body.size();
}

Failure Transfer::JudgeOutcome(CURLcode code, const char* abortReason) {
    if (abortReason != nullptr) {
        return AbortFailure(abortReason);
    }
    if (!failure_.text.isEmpty()) {
        return failure_;
    }
    if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && stoppedAtEnd_)) {
        return DescribeError(code, easy_, errorBuffer_);
    }
    const qint64 length = AcceptedLength();
    if (length < KbLimit(request_.minSizeKb)) {
        return {FetchError::UnderSizeLimit, QString::fromLatin1(kUnderLimit)};
    }
    if (request_.maxSizeKb != 0 && length > KbLimit(request_.maxSizeKb)) {
        return {FetchError::OverSizeLimit, QString::fromLatin1(kOverLimit)};
    }
    return {};
}

namespace {

// Failures that cut a body off on the way, where what arrived is still good.
bool CutOff(FetchError kind) {
    switch (kind) {
        case FetchError::Cancelled:
        case FetchError::Stopped:
        case FetchError::TimedOut:
        case FetchError::Reset:
        case FetchError::Refused:
        case FetchError::Unreachable:
        case FetchError::HostNotFound:
        case FetchError::Tls:
            return true;
        default:
            return false;
    }
}

}  // namespace

// Renames the whole file into place. After a failure the partial is kept for a later try when
// the body was cut off and its answer gave a validator, and removed otherwise.
Failure Transfer::SettleSaveFile(Failure failure) {
    if (!partial_) {
        return failure;
    }
    const bool resumable = request_.resume && CutOff(failure.kind) && partial_->HasValidator();
    if (!file_) {
        if (wholeAlready_ && failure.text.isEmpty()) {
            return RenameIntoPlace();
        }
        if (!failure.text.isEmpty() && !resumable) {
            partial_->Discard();  // an answer that makes what is there worthless
        }
        return failure;
    }
    if (failure.text.isEmpty() && !file_->flush()) {
        failure = {FetchError::File, QStringLiteral("cannot write file: ") + file_->errorString()};
    }
    file_->close();
    file_.reset();
    if (failure.text.isEmpty()) {
        failure = RenameIntoPlace();
        if (failure.text.isEmpty()) {
            return failure;
        }
    }
    if (resumable && written_ > 0) {
        response_.partialBytes = written_;
    } else {
        partial_->Discard();
    }
    return failure;
}

Failure Transfer::RenameIntoPlace() {
    std::error_code ec;
    std::filesystem::rename(FsPath(partial_->path()), FsPath(request_.savePath), ec);
    if (ec) {
        return {FetchError::File,
                QStringLiteral("cannot rename file: ") + QString::fromStdString(ec.message())};
    }
    QFile::remove(partial_->validatorPath());
    return {};
}

void Transfer::Finish(CURLcode code, const char* abortReason) {
    const bool toFile = partial_.has_value();
    const Failure failure = SettleSaveFile(JudgeOutcome(code, abortReason));
    const QString& error = failure.text;
    const bool ok = error.isEmpty();
    response_.headers = sawStatus_ ? QString::fromLatin1(block_) : previousHeaders_;
    if (!finalHeaders_) {
        response_.isGzip = sawStatus_ && block_.contains("gzip");
    }
    response_.statusCode = status_;
    response_.bodyLength = toFile ? (ok ? written_ : 0) : response_.body.size();
    response_.error = error;
    response_.errorKind = failure.kind;
    qCDebug(lcNet) << "done" << request_.url << ok << status_ << response_.bodyLength << error;
    if (const RequestLogger& log = CurrentRequestLogger()) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
        // What this exchange brought: a continued picture's earlier bytes are not counted.
        const qint64 received =
            toFile ? std::max<qint64>(written_ - resumeOffset_, 0) : response_.body.size();
        log({request_.url.trimmed(), sentHeaders_, status_, received, error, elapsed.count()});
    }
    Done done = std::move(done_);
    done(std::move(response_), ok);
}
