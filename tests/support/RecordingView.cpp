#include "support/RecordingView.h"

void RecordingView::Record(const QString& event) {
    std::lock_guard lock(mutex_);
    events_.append(event);
}

void RecordingView::RecordStatus(const StatusLines& lines) {
    if (lines.line1) {
        Record(QStringLiteral("status1: ") + *lines.line1);
    }
    if (lines.line2) {
        Record(QStringLiteral("status2: ") + *lines.line2);
    }
}

void RecordingView::Render(const std::function<StatusLines(DownloadStatusText&)>& step) {
    StatusLines lines;
    {
        std::lock_guard lock(mutex_);
        lines = step(text_);
    }
    RecordStatus(lines);
}

void RecordingView::ListingStarted() {
    Record(QStringLiteral("group: 相册列表"));
    RecordStatus(ListingStartedText());
    Record(QStringLiteral("listing"));
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

void RecordingView::ListingFinished(const ListingSummary& summary) {
    Record(QStringLiteral("group: ") + ListingGroupText(summary));
    RecordStatus(ListingFinishedText(summary));
    Record(summary.albums > 0 ? QStringLiteral("listed") : QStringLiteral("listed nothing"));
}

void RecordingView::JobStarted(int) {
    Render([&](DownloadStatusText& text) { return text.JobStarted(); });
    Record(QStringLiteral("downloading"));
}

void RecordingView::AlbumStarted(const AlbumStartedEvent& event) {
    Render([&](DownloadStatusText& text) { return text.AlbumStarted(event); });
}

void RecordingView::PictureListed(const PictureListedEvent& event) {
    Render([&](DownloadStatusText& text) { return text.PictureListed(event); });
    if (onPictureListed) {
        onPictureListed(event);
    }
}

void RecordingView::AlbumListed(const AlbumListedEvent& event) {
    Render([&](DownloadStatusText& text) { return text.AlbumListed(event); });
}

void RecordingView::PictureEnded(const PictureEndedEvent& event) {
    Render([&](DownloadStatusText& text) { return text.PictureEnded(event); });
    if (event.outcome == PictureOutcome::Failed) {
        Record(QStringLiteral("failed: ") + event.address + QStringLiteral(" (") + event.reason +
               QLatin1Char(')'));
    }
    if (onPictureEnded) {
        onPictureEnded(event);
    }
}

void RecordingView::AlbumFinished(const AlbumFinishedEvent& event) {
    Render([&](DownloadStatusText& text) { return text.AlbumFinished(event); });
    Record(QStringLiteral("finished: %1 pictures").arg(event.pictures));
}

void RecordingView::PageFailed(const PageFailure& failure) {
    Record(QStringLiteral("page failed: ") + failure.Describe());
}

void RecordingView::JobFinished(const JobResult& result) {
    Render([&](DownloadStatusText& text) { return text.JobFinished(result); });
    Record(QStringLiteral("downloaded"));
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
