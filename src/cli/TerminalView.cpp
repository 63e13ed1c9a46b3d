#include "cli/TerminalView.h"

#include "sources/SourceKinds.h"

#include <unistd.h>
#include <cstdio>

namespace {

// Per-picture counters that a terminal shows in place and a log leaves out.
bool IsCounterText(const QString& text) {
    return text.startsWith(QStringLiteral("已获取到")) ||
           text.startsWith(QStringLiteral("已下载")) || text == QLatin1String("......");
}

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

void TerminalView::SetStatus1(const QString& text) {
    std::lock_guard lock(mutex_);
    if (!text.isEmpty() && text != lastStatus_) {
        lastStatus_ = text;
        PrintLine(text);
    }
}

void TerminalView::SetStatus2(const QString& text) {
    std::lock_guard lock(mutex_);
    if (text == QStringLiteral("已开始下载图片")) {
        albumStartMs_ = clock_.elapsed();
    }
    if (text.isEmpty() || text == lastStatus_) {
        return;
    }
    if (IsCounterText(text)) {
        if (terminal_ && !text.startsWith(QStringLiteral("已下载"))) {
            PrintTransient(text);
        }
        return;
    }
    lastStatus_ = text;
    PrintLine(text);
}

void TerminalView::DownloadProgress(int finished, int total, qint64 bytes) {
    std::lock_guard lock(mutex_);
    if (!terminal_ || total <= 0) {
        return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(static_cast<qint64>(kWidth) * finished / total);
    const double seconds = std::max<qint64>(clock_.elapsed() - albumStartMs_, 1) / 1000.0;
    const QString bar = QString(filled, u'#') + QString(kWidth - filled, u'.');
    PrintTransient(QStringLiteral("[%1] %2/%3  %4 MB/s")
                       .arg(bar)
                       .arg(finished)
                       .arg(total)
                       .arg(bytes / seconds / 1e6, 0, 'f', 1));
}

void TerminalView::ShowMessage(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    messages_.append(text);
    PrintLine(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
}

bool TerminalView::AskYesNo(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    PrintLine(title + QStringLiteral(": ") + text);
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
              url);
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

void TerminalView::DownloadFinished(qint64 elapsedSeconds, int pictures) {
    std::lock_guard lock(mutex_);
    PrintLine(QStringLiteral("album done: %1 pictures in %2 s").arg(pictures).arg(elapsedSeconds));
}

void TerminalView::PictureFailed(const QString& address, const QString& reason) {
    std::lock_guard lock(mutex_);
    failed_.append({address, reason});
}

QStringList TerminalView::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

QList<QPair<QString, QString>> TerminalView::FailedPictures() const {
    std::lock_guard lock(mutex_);
    return failed_;
}
