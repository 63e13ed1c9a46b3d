#include "support/RecordingView.h"

void RecordingView::Record(const QString& event) {
    std::lock_guard lock(mutex_);
    events_.append(event);
}

void RecordingView::AddGridRow(int index) {
    {
        std::lock_guard lock(mutex_);
        ++rows_;
    }
    if (onAddRow) {
        onAddRow(index);
    }
}

void RecordingView::ShowListed(bool haveAlbums) {
    Record(haveAlbums ? QStringLiteral("listed") : QStringLiteral("listed nothing"));
}

void RecordingView::ShowMessage(const QString& text, const QString& title) {
    Record(QStringLiteral("message: ") + title + QStringLiteral(": ") + text);
}

bool RecordingView::AskYesNo(const QString& text, const QString& title) {
    Record(QStringLiteral("question: ") + title + QStringLiteral(": ") + text);
    return answerYes;
}

void RecordingView::RequestLogin(const QString& url) {
    Record(QStringLiteral("login: ") + url);
    if (onLogin) {
        onLogin(url);
    }
}

QString RecordingView::AddressText() {
    std::lock_guard lock(mutex_);
    return address;
}

QString RecordingView::SavePathText() {
    std::lock_guard lock(mutex_);
    return savePath;
}

QList<int> RecordingView::ChosenAlbums() {
    std::lock_guard lock(mutex_);
    return chosen;
}

void RecordingView::HistoryAdded(int which, const QString& text) {
    Record(QStringLiteral("history %1: %2").arg(which).arg(text));
}

void RecordingView::DownloadFinished(qint64 seconds, int pictures) {
    Q_UNUSED(seconds);
    Record(QStringLiteral("finished: %1 pictures").arg(pictures));
}

void RecordingView::PictureFailed(const QString& address, const QString& reason) {
    Record(QStringLiteral("failed: ") + address + QStringLiteral(" (") + reason + QLatin1Char(')'));
}

QStringList RecordingView::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

QStringList RecordingView::EventsStartingWith(const QString& prefix) const {
    QStringList matching;
    for (const QString& event : Events()) {
        if (event.startsWith(prefix)) {
            matching.append(event);
        }
    }
    return matching;
}

int RecordingView::RowsAdded() const {
    std::lock_guard lock(mutex_);
    return rows_;
}
