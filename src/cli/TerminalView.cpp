#include "cli/TerminalView.h"

#include "sources/SourceKinds.h"

#include <unistd.h>
#include <cstdio>

TerminalView::TerminalView(const QString& address, const QString& savePath)
    : address_(address), savePath_(savePath) {}

void TerminalView::PrintLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

void TerminalView::SetStatus1(const QString& text) {
    std::lock_guard lock(mutex_);
    if (!text.isEmpty() && text != lastStatus_) {
        lastStatus_ = text;
        PrintLine(text);
    }
}

void TerminalView::SetStatus2(const QString& text) {
    SetStatus1(text);
}

void TerminalView::ShowMessage(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    messages_.append(text);
    PrintLine(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
}

bool TerminalView::AskYesNo(const QString& text, const QString& title) {
    std::lock_guard lock(mutex_);
    PrintLine(title + QStringLiteral(": ") + text);
    if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) {
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

void TerminalView::DownloadFinished(qint64, int) {}

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
