// What the jobs show in the main window: status lines, grid rows, window states, questions.
// Job threads call these; each call is carried out on the window's thread.

#include "gui/ComboBox2.h"
#include "gui/CoverLoader.h"
#include "gui/DlgFind.h"
#include "gui/MessageBox.h"
#include "gui/MyGridCtrl.h"
#include "gui/QuorvixDlg.h"
#include "gui/ThumbnailCache.h"

#include "app/Version.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QUrl>

void CQuorvixDlg::RunOnUiThread(const std::function<void()>& fn, bool wait) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    if (closing_.load()) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, fn] {
            if (!closing_.load()) {
                fn();
            }
        },
        wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

void CQuorvixDlg::SetStatus1(const QString& text) {
    RunOnUiThread([this, text] { status1_->setText(text); }, false);
}

void CQuorvixDlg::SetStatus2(const QString& text) {
    RunOnUiThread([this, text] { status2_->setText(text); }, false);
}

void CQuorvixDlg::SetGroupText(const QString& text) {
    RunOnUiThread([this, text] { group_->setTitle(text); }, false);
}

void CQuorvixDlg::ResetGrid() {
    RunOnUiThread([this] { SetUpGridLayout(); }, false);
}

void CQuorvixDlg::RefreshGrid() {
    RunOnUiThread([this] { grid_->viewport()->update(); }, false);
}

void CQuorvixDlg::ApplyStatus(const StatusLines& lines) {
    if (lines.line1) {
        status1_->setText(*lines.line1);
    }
    if (lines.line2) {
        status2_->setText(*lines.line2);
    }
}

// --- Job events ----------------------------------------------------------------------------

void CQuorvixDlg::ListingStarted() {
    RunOnUiThread(
        [this] {
            group_->setTitle(QStringLiteral("相册列表"));
            ApplyStatus(ListingStartedText());
            ShowListing();
        },
        false);
}

void CQuorvixDlg::ListingFinished(const ListingSummary& summary) {
    RunOnUiThread(
        [this, summary] {
            group_->setTitle(ListingGroupText(summary));
            ApplyStatus(ListingFinishedText(summary));
            ShowListed(summary.albums > 0);
        },
        false);
}

void CQuorvixDlg::ShowJobProgress(const JobProgress& progress) {
    // The title is the progress display the task bar shows too: the share of the pictures
    // listed so far whose transfer has ended.
    const int percent =
        progress.listed > 0 ? static_cast<int>(qint64{progress.ended} * 100 / progress.listed) : 0;
    const QString title = QStringLiteral("%1% ").arg(percent) + ProductTitle();
    if (windowTitle() != title) {
        setWindowTitle(title);
    }
}

void CQuorvixDlg::JobStarted(int) {
    RunOnUiThread(
        [this] {
            ApplyStatus(downloadText_.JobStarted());
            ShowJobProgress({});
            ShowDownloading();
        },
        false);
}

void CQuorvixDlg::AlbumStarted(const AlbumStartedEvent& event) {
    RunOnUiThread([this, event] { ApplyStatus(downloadText_.AlbumStarted(event)); }, false);
}

void CQuorvixDlg::PictureListed(const PictureListedEvent& event) {
    RunOnUiThread(
        [this, event] {
            ApplyStatus(downloadText_.PictureListed(event));
            ShowJobProgress(event.job);
        },
        false);
}

void CQuorvixDlg::AlbumListed(const AlbumListedEvent& event) {
    RunOnUiThread([this, event] { ApplyStatus(downloadText_.AlbumListed(event)); }, false);
}

void CQuorvixDlg::PictureEnded(const PictureEndedEvent& event) {
    RunOnUiThread(
        [this, event] {
            ApplyStatus(downloadText_.PictureEnded(event));
            ShowJobProgress(event.job);
        },
        false);
}

void CQuorvixDlg::AlbumFinished(const AlbumFinishedEvent& event) {
    // The album's end notice: the window only shows the count once more.
    RunOnUiThread([this, event] { ApplyStatus(downloadText_.AlbumFinished(event)); }, false);
}

void CQuorvixDlg::PageFailed(const PageFailure&) {
    // Told with the job's end, in the first status line.
}

void CQuorvixDlg::JobFinished(const JobResult& result) {
    RunOnUiThread(
        [this, result] {
            ApplyStatus(downloadText_.JobFinished(result));
            setWindowTitle(ProductTitle());
            ShowDownloaded();
        },
        false);
}

// --- Grid layouts and rows -----------------------------------------------------------------

void CQuorvixDlg::SetUpGridLayout() {
    selectAll_->setChecked(false);
    if (!bPreview_) {
        grid_->InitGrid(1, 1, 6, true);
        const QStringList headers = {QStringLiteral("序号"),
                                     QStringLiteral("名称"),
                                     QStringLiteral("数量"),
                                     QStringLiteral("备注"),
                                     QString(),
                                     QString()};
        const int widths[] = {50, 575, 50, 100, 0, 0};
        for (int c = 0; c < 6; ++c) {
            grid_->SetCellText(0, c, headers[c]);
            grid_->SetColumnWidth(c, widths[c]);
        }
    } else {
        grid_->InitGrid(0, 0, thumbnailsPerRow_, false);
        for (int c = 0; c < thumbnailsPerRow_; ++c) {
            grid_->SetColumnWidth(c, thumbWidth_ + 2 * CMyGridCtrl::kCellMargin);
        }
    }
}

void CQuorvixDlg::AddGridRow(int index) {
    RunOnUiThread(
        [this, index] {
            const ST_PERLISTRECORD album = harvest_->albums.at(index);
            if (bPreview_) {
                const int column = index % thumbnailsPerRow_;
                const int row = index / thumbnailsPerRow_;
                if (column == 0) {
                    // Room for the thumbnail and its caption line.
                    grid_->SetRowHeight(grid_->InsertRow(),
                                        thumbHeight_ + fontMetrics().height() + 10);
                }
                grid_->SetCellText(row, column,
                                   QStringLiteral("%1.%2").arg(index + 1).arg(album.strName));
                grid_->SetItemData(row, column, index);
                if (album.nThumb >= 0) {
                    grid_->SetCellHasThumbnail(row, column);
                } else {
                    nModeState_ = MODE_RUNNING;  // thumbnails are still on their way
                    covers_->Request(index, album.strCover);
                }
                return;
            }
            if (!filterText_.isEmpty() && !album.strName.contains(filterText_)) {
                return;
            }
            const int row = grid_->InsertRow();
            grid_->SetCellText(row, 0, QString::asprintf("%04d", row));
            grid_->SetItemData(row, 0, index);
            grid_->SetCellText(row, 1, album.strName);
            grid_->SetCellText(row, 2, FormatPicCount(album.nPicCount));
            grid_->SetCellText(row, 3, FormatRemark(album.nRemark));
        },
        false);
}

void CQuorvixDlg::RebuildRows() {
    const int count = harvest_->albums.size();
    for (int i = 0; i < count && nModeState_ != MODE_STOP_REQUESTED; ++i) {
        AddGridRow(i);
    }
    grid_->viewport()->update();
    if (!bPreview_ || covers_->Pending() == 0) {
        nModeState_ = MODE_IDLE;
    }
    filterText_.clear();
}

void CQuorvixDlg::ThumbnailArrived(int index, bool ok) {
    if (!bPreview_ || !ok || index >= harvest_->albums.size()) {
        return;
    }
    thumbnails_->Forget(index);  // the file is new
    harvest_->albums.SetThumb(index, index);
    grid_->SetCellHasThumbnail(index / thumbnailsPerRow_, index % thumbnailsPerRow_);
}

void CQuorvixDlg::OnSwitchLayout(bool checked) {
    if (nModeState_ != MODE_IDLE) {
        if (AskYesNoBox(this, QStringLiteral("模式转换未完成,是否中断?"), QStringLiteral("提示"))) {
            nModeState_ = MODE_STOP_REQUESTED;
            covers_->CancelAll();
            nModeState_ = MODE_IDLE;
        }
        previewBox_->setChecked(!checked);
        return;
    }
    if (checked && findBar_) {
        findBar_->hide();
    }
    findLink_->setEnabled(!checked);
    filterLink_->setEnabled(!checked);
    nModeState_ = MODE_RUNNING;
    bPreview_ = checked;
    SetUpGridLayout();
    RebuildRows();
}

// --- Window states -------------------------------------------------------------------------

void CQuorvixDlg::SetControlsEnabled(const QList<QWidget*>& controls, bool enabled) {
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
}

void CQuorvixDlg::ShowListing() {
    SetControlsEnabled(
        {sourceKind_, download_, address_, previewBox_, findLink_, filterLink_, exportLink_},
        false);
    selectAll_->setChecked(false);
    getAlbums_->setText(QStringLiteral("终止获取"));
    noteLine_->hide();
}

void CQuorvixDlg::ShowListed(bool haveAlbums) {
    sourceKind_->setEnabled(true);
    download_->setEnabled(haveAlbums);
    getAlbums_->setText(QStringLiteral("获取相册"));
    SetControlsEnabled({address_, previewBox_, exportLink_}, true);
    SetControlsEnabled({findLink_, filterLink_}, !bPreview_);
}

void CQuorvixDlg::ShowDownloading() {
    download_->setText(QStringLiteral("终止下载"));
    SetControlsEnabled({sourceKind_, getAlbums_, chooseFolder_, address_, savePath_}, false);
}

void CQuorvixDlg::ShowDownloaded() {
    download_->setText(QStringLiteral("下载"));
    SetControlsEnabled({sourceKind_, getAlbums_, chooseFolder_, address_, savePath_}, true);
}

// --- Questions and inputs ------------------------------------------------------------------

void CQuorvixDlg::ShowMessage(const QString& text, const QString& title) {
    RunOnUiThread([this, text, title] { ShowMessageBox(this, text, title); }, true);
}

bool CQuorvixDlg::AskYesNo(const QString& text, const QString& title) {
    bool yes = false;
    RunOnUiThread([this, text, title, &yes] { yes = AskYesNoBox(this, text, title); }, true);
    return yes;
}

void CQuorvixDlg::RequestLogin(const QString& url) {
    RunOnUiThread([this, url] { OpenLoginWindow(url, true); }, true);
}

QString CQuorvixDlg::AddressText() {
    QString text;
    RunOnUiThread([this, &text] { text = address_->currentText(); }, true);
    return text;
}

QString CQuorvixDlg::SavePathText() {
    QString text;
    RunOnUiThread([this, &text] { text = savePath_->currentText(); }, true);
    return text;
}

int CQuorvixDlg::SubKindSelection() {
    int selection = -1;
    RunOnUiThread(
        [this, &selection] { selection = subKind_->isHidden() ? -1 : subKind_->currentIndex(); },
        true);
    return selection;
}

QList<int> CQuorvixDlg::ChosenAlbums() {
    QList<int> chosen;
    RunOnUiThread([this, &chosen] { chosen = grid_->ChosenAlbums(harvest_->albums.size()); }, true);
    return chosen;
}

// --- Effects -------------------------------------------------------------------------------

void CQuorvixDlg::HistoryAdded(int which, const QString& text) {
    RunOnUiThread([this, which, text] { (which == 0 ? address_ : savePath_)->AddHistory(text); },
                  false);
}

void CQuorvixDlg::StartAutoDownload() {
    RunOnUiThread(
        [this] {
            grid_->SelectAllRows();
            OnDownload();
        },
        false);
}

void CQuorvixDlg::OpenFolder(const QString& folder) {
    RunOnUiThread([folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }, false);
}
