#include "cli/TerminalView.h"

#include "app/JobStatusText.h"
#include "cli/Interrupts.h"
#include "cli/TerminalText.h"
#include "sources/SourceKinds.h"

#include <QRegularExpression>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

// The progress line is redrawn at most this often.
constexpr qint64 kRedrawMs = 100;

// The query values and header lines that may carry a login, as a log shows them.
QString MaskedUrl(const QString& url) {
    static const QRegularExpression secret(
        QStringLiteral("([?&](?:[^=&#]*(?:token|secret|passw|auth|session|sid|bduss)[^=&#]*)=)"
                       "[^&#]*"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(url).replace(secret, QStringLiteral("\\1***"));
}

QString MaskedHeader(const QByteArray& line) {
    for (const char* name : {"cookie:", "authorization:", "proxy-authorization:"}) {
        if (line.toLower().startsWith(name)) {
            return QString::fromLatin1(line.left(qstrlen(name))) + QStringLiteral(" ***");
        }
    }
    return QString::fromLatin1(line);
}

}  // namespace

TerminalView::TerminalView(const QString& address, const QString& savePath)
    : address_(address), savePath_(savePath), terminal_(isatty(STDERR_FILENO)) {
    clock_.start();
}

TerminalView::~TerminalView() {
    if (verbosity_ == Verbosity::Verbose) {
        SetRequestLogger(nullptr);
    }
}

void TerminalView::SetVerbosity(Verbosity verbosity) {
    verbosity_ = verbosity;
    if (verbosity == Verbosity::Verbose) {
        SetRequestLogger([this](const RequestRecord& record) { LogRequest(record); });
    }
}

void TerminalView::LogRequest(const RequestRecord& record) {
    std::lock_guard lock(mutex_);
    const QString outcome =
        record.error.isEmpty() ? QStringLiteral("%1, %2 bytes").arg(record.status).arg(record.bytes)
                               : QStringLiteral("failed (%1)").arg(record.error);
    PrintLine(QStringLiteral("request %1 -> %2, %3 ms")
                  .arg(TerminalSafe(MaskedUrl(record.url)), TerminalSafe(outcome))
                  .arg(record.milliseconds));
    for (const QByteArray& line : record.headerLines) {
        PrintLine(QStringLiteral("    ") + TerminalSafe(MaskedHeader(line)));
    }
}

void TerminalView::PrintLine(const QString& text) {
    std::fprintf(stderr, "%s%s\n", midLine_ ? "\r\033[K" : "", text.toUtf8().constData());
    std::fflush(stderr);
    midLine_ = false;
}

void TerminalView::PrintTransient(const QString& text) {
    std::fprintf(stderr, "\r\033[K%s", text.toUtf8().constData());
    std::fflush(stderr);
    midLine_ = true;
}

void TerminalView::ListingStarted() {
    std::lock_guard lock(mutex_);
    if (!Quiet()) {
        PrintLine(*ListingStartedText().line1);
    }
}

void TerminalView::ListingFinished(const ListingSummary& summary) {
    std::lock_guard lock(mutex_);
    if (summary.failure) {
        PrintFailure(*summary.failure);
    }
    if (!Quiet()) {
        PrintLine(TerminalSafe(*ListingFinishedText(summary).line1));
    }
}

void TerminalView::PrintFailure(const PageFailure& failure) {
    PrintLine(QStringLiteral("could not fetch %1 (%2)")
                  .arg(TerminalSafe(failure.url), TerminalSafe(failure.reason)));
}

void TerminalView::JobStarted(int) {
    std::lock_guard lock(mutex_);
    anyEnded_ = false;
    clock_.restart();
}

void TerminalView::AlbumStarted(const AlbumStartedEvent& event) {
    std::lock_guard lock(mutex_);
    if (Quiet()) {
        return;
    }
    PrintLine(QStringLiteral("正在下载第%1/%2个图集").arg(event.position).arg(event.albums));
}

void TerminalView::PictureListed(const PictureListedEvent& event) {
    std::lock_guard lock(mutex_);
    if (terminal_ && !anyEnded_ && !Quiet()) {
        PrintTransient(QStringLiteral("已获取到%1张图片信息").arg(event.albumListed));
    }
}

void TerminalView::AlbumListed(const AlbumListedEvent& event) {
    std::lock_guard lock(mutex_);
    if (event.folderBusy) {
        PrintLine(QStringLiteral("album %1 left out: another download is writing into %2")
                      .arg(event.position)
                      .arg(TerminalSafe(event.folder)));
    }
    if (!event.listOnly && event.pictures > 0 && !Quiet()) {
        PrintLine(QStringLiteral("已开始下载图片"));
    }
}

void TerminalView::PictureEnded(const PictureEndedEvent& event) {
    std::lock_guard lock(mutex_);
    anyEnded_ = true;
    const JobProgress& job = event.job;
    const qint64 now = clock_.elapsed();
    if (!terminal_ || Quiet() || job.listed <= 0 ||
        (lastDrawMs_ >= 0 && now - lastDrawMs_ < kRedrawMs && job.ended < job.listed)) {
        return;
    }
    lastDrawMs_ = now;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(static_cast<qint64>(kWidth) * job.ended / job.listed);
    const double seconds = std::max<qint64>(now, 1) / 1000.0;
    const QString bar = QString(filled, u'#') + QString(kWidth - filled, u'.');
    PrintTransient(QStringLiteral("[%1] %2/%3  %4 MB/s")
                       .arg(bar)
                       .arg(job.ended)
                       .arg(job.listed)
                       .arg(job.bytes / seconds / 1e6, 0, 'f', 1));
}

void TerminalView::AlbumFinished(const AlbumFinishedEvent& event) {
    std::lock_guard lock(mutex_);
    if (Quiet()) {
        return;
    }
    PrintLine(
        QStringLiteral("album done: %1 pictures in %2 s").arg(event.pictures).arg(event.seconds));
}

void TerminalView::PageFailed(const PageFailure& failure) {
    std::lock_guard lock(mutex_);
    PrintFailure(failure);
}

void TerminalView::JobFinished(const JobResult& result) {
    std::lock_guard lock(mutex_);
    if (Quiet()) {
        return;
    }
    PrintLine(TerminalSafe(*DownloadStatusText().JobFinished(result).line1));
}

void TerminalView::ShowMessage(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    const QString safe = TerminalSafe(text, true);
    PrintLine(title.isEmpty() ? safe : title + QStringLiteral(": ") + safe);
}

bool TerminalView::AskYesNo(const QString& text, const QString& title) {
    {
        std::lock_guard lock(mutex_);
        PrintLine(title + QStringLiteral(": ") + TerminalSafe(text, true));
        if (!isatty(STDIN_FILENO) || !terminal_) {
            PrintLine(QStringLiteral("(no terminal: answered no)"));
            return false;
        }
        std::fprintf(stderr, "[y/N] ");
        std::fflush(stderr);
    }
    // The view is not held while the user thinks, so progress of other work still prints; an
    // interrupt is the answer no.
    pollfd input{STDIN_FILENO, POLLIN, 0};
    while (Interrupts::ExitStatus() == 0) {
        const int ready = poll(&input, 1, 100);
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready > 0) {
            char line[64] = {};
            return std::fgets(line, sizeof line, stdin) != nullptr &&
                   (line[0] == 'y' || line[0] == 'Y');
        }
    }
    return false;
}

void TerminalView::RequestLogin(const QString& url) {
    std::lock_guard lock(mutex_);
    PrintLine(QStringLiteral("Log in with the desktop program (its login window shares cookies "
                             "with this command), then run the command again: ") +
              TerminalSafe(url));
}

int TerminalView::SubKindSelection() {
    // The sub-kind selector is shown only while the address selects the first source kind.
    if (RecognizeSourceKind(address_, kBaiduKind) != 0) {
        return -1;
    }
    return RecognizeSubKind(address_);
}

QList<int> TerminalView::ChosenAlbums() {
    return chosen_;
}
