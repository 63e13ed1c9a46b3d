#include "cli/TerminalView.h"

#include "app/JobStatusText.h"
#include "cli/TerminalText.h"
#include "sources/SourceKinds.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

// The progress line is redrawn at most this often.
constexpr qint64 kRedrawMs = 100;

}  // namespace

TerminalView::TerminalView(const QString& address, const QString& savePath)
    : address_(address), savePath_(savePath), terminal_(isatty(STDERR_FILENO)) {
    clock_.start();
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
    PrintLine(*ListingStartedText().line1);
}

void TerminalView::ListingFinished(const ListingSummary& summary) {
    std::lock_guard lock(mutex_);
    if (summary.failure) {
        PrintFailure(*summary.failure);
    }
    PrintLine(TerminalSafe(*ListingFinishedText(summary).line1));
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
    PrintLine(QStringLiteral("正在下载第%1/%2个图集").arg(event.position).arg(event.albums));
}

void TerminalView::PictureListed(const PictureListedEvent& event) {
    std::lock_guard lock(mutex_);
    if (terminal_ && !anyEnded_) {
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
    if (!event.listOnly && event.pictures > 0) {
        PrintLine(QStringLiteral("已开始下载图片"));
    }
}

void TerminalView::PictureEnded(const PictureEndedEvent& event) {
    std::lock_guard lock(mutex_);
    anyEnded_ = true;
    const JobProgress& job = event.job;
    const qint64 now = clock_.elapsed();
    if (!terminal_ || job.listed <= 0 ||
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
    PrintLine(
        QStringLiteral("album done: %1 pictures in %2 s").arg(event.pictures).arg(event.seconds));
}

void TerminalView::PageFailed(const PageFailure& failure) {
    std::lock_guard lock(mutex_);
    PrintFailure(failure);
}

void TerminalView::JobFinished(const JobResult& result) {
    std::lock_guard lock(mutex_);
    PrintLine(TerminalSafe(*DownloadStatusText().JobFinished(result).line1));
}

void TerminalView::ShowMessage(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    const QString safe = TerminalSafe(text, true);
    PrintLine(title.isEmpty() ? safe : title + QStringLiteral(": ") + safe);
}

bool TerminalView::AskYesNo(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    PrintLine(title + QStringLiteral(": ") + TerminalSafe(text, true));
    if (!isatty(STDIN_FILENO) || !terminal_) {
        PrintLine(QStringLiteral("(no terminal: answered no)"));
        return false;
    }
    std::fprintf(stderr, "[y/N] ");
    std::fflush(stderr);
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin)) {
        return false;
    }
    return line[0] == 'y' || line[0] == 'Y';
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
