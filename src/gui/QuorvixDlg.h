#pragma once
// The main window: address and source selectors, the save-path box, the get-albums and download
// buttons, the album grid, two status lines and the menu. It owns the harvest, starts its jobs
// and shows what they report: every HarvestView call from a job thread is carried out on this
// window's thread.

#include "app/Harvest.h"
#include "app/HarvestView.h"
#include "app/JobStatusText.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class CComboBox2;
class CDlgFind;
class QDialog;
class CMyGridCtrl;
class CSplashScreenEx;
class CoverLoader;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class ThumbnailCache;

// Values of nModeState: the grid rebuild after a layout switch.
enum ModeState : uint8_t { MODE_IDLE = 0, MODE_RUNNING = 1, MODE_STOP_REQUESTED = 2 };

struct StartOptions {
    QString settingsDir;  // --settings-dir; empty for the usual choice
    bool readClipboard = true;
};

class CQuorvixDlg : public QMainWindow, public HarvestView {
    Q_OBJECT

public:
    explicit CQuorvixDlg(const StartOptions& options, QWidget* parent = nullptr);
    ~CQuorvixDlg() override;

    Harvest& harvest() { return *harvest_; }
    CMyGridCtrl* grid() const { return grid_; }
    bool preview() const { return bPreview_; }
    uint8_t modeState() const { return nModeState_; }

    // Puts a text into the address box (as typing it would).
    void SetAddressText(const QString& text);

    // Commands of the buttons and links (also driven by tests).
    void OnGetAlbums();
    void OnDownload();
    void OnChooseFolder();
    void OnOpenFolder();
    void OnSelectAll(bool checked);
    void OnSwitchLayout(bool checked);
    void OnFind();
    void OnFilter();
    void OnExport();
    void SetSaveFolderFromDrop(const QString& item);

    // Source recognition bound to the selectors and the address box.
    void OnSourceKindChanged();
    void RecognizeAddress();
    void OnAddressPicked(int index);

    // The start-up worker has ended: hide the splash, show the window, accept commands.
    void FinishStartup();

    // The two status lines and the grid's frame text.
    void SetStatus1(const QString& text);
    void SetStatus2(const QString& text);
    void SetGroupText(const QString& text);

    // HarvestView.
    void ListingStarted() override;
    void ResetGrid() override;
    void AddGridRow(int index) override;
    void RefreshGrid() override;
    void ListingFinished(const ListingSummary& summary) override;
    void JobStarted(int albums) override;
    void AlbumStarted(const AlbumStartedEvent& event) override;
    void PictureListed(const PictureListedEvent& event) override;
    void AlbumListed(const AlbumListedEvent& event) override;
    void PictureEnded(const PictureEndedEvent& event) override;
    void AlbumFinished(const AlbumFinishedEvent& event) override;
    void PageFailed(const PageFailure& failure) override;
    void JobFinished(const JobResult& result) override;
    void ShowMessage(const QString& text, const QString& title) override;
    bool AskYesNo(const QString& text, const QString& title) override;
    void RequestLogin(const QString& url) override;
    QString AddressText() override;
    QString SavePathText() override;
    int SubKindSelection() override;
    QList<int> ChosenAlbums() override;
    void HistoryAdded(int which, const QString& text) override;
    void StartAutoDownload() override;
    void OpenFolder(const QString& folder) override;

    // Opens a login window at the address: modal (a lister waits) or left open (menu entries).
    void OpenLoginWindow(const QString& url, bool modal);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void UpdateMenuMarks(QMenu* menu);
    void OnMenuCommand(int id);
    void ToggleOption(uint16_t bit, uint16_t exclusiveWith = 0);
    void OpenLoginEntry(int id);
    void SetUpGridLayout();
    void RebuildRows();
    void ThumbnailArrived(int index, bool ok);
    void LoadStartupSettings(const StartOptions& options);
    void StartStartupWorker();
    void SetControlsEnabled(const QList<QWidget*>& controls, bool enabled);
    // Window states.
    void ShowListing();
    void ShowListed(bool haveAlbums);
    void ShowDownloading();
    void ShowDownloaded();
    // Shows the status texts an event gives (on the window's thread).
    void ApplyStatus(const StatusLines& lines);
    // The window title with the job's share of pictures finished.
    void ShowJobProgress(const JobProgress& progress);
    int CurrentKind() const;
    // Runs fn on this window's thread and waits for it (at once when already there). While the
    // window closes, returns without running it.
    void RunOnUiThread(const std::function<void()>& fn, bool wait);

    std::unique_ptr<Harvest> harvest_;
    std::atomic<bool> closing_{false};
    std::thread startupThread_;

    // Controls, named by their ids.
    QLabel* status1_ = nullptr;            // 1009
    QLabel* status2_ = nullptr;            // 1006
    QLabel* noteLine_ = nullptr;           // 1013
    QComboBox* sourceKind_ = nullptr;      // 1002
    QComboBox* subKind_ = nullptr;         // 1035
    CComboBox2* address_ = nullptr;        // 1001
    QPushButton* getAlbums_ = nullptr;     // 1004
    QPushButton* download_ = nullptr;      // 1005
    CComboBox2* savePath_ = nullptr;       // 1000
    QPushButton* chooseFolder_ = nullptr;  // 1007
    QPushButton* openFolder_ = nullptr;    // 1008
    QGroupBox* group_ = nullptr;           // 1011
    CMyGridCtrl* grid_ = nullptr;          // 1003
    QCheckBox* selectAll_ = nullptr;       // 1012
    QCheckBox* previewBox_ = nullptr;      // 1014
    QLabel* findLink_ = nullptr;           // 1034
    QLabel* filterLink_ = nullptr;         // 1036
    QLabel* exportLink_ = nullptr;         // 1037
    QLabel* bottomLine_ = nullptr;         // 1031
    QLabel* webLink_ = nullptr;            // 1032
    QPointer<CSplashScreenEx> splash_;

    QPointer<CDlgFind> findBar_;
    QPointer<QDialog> loginWindow_;  // the most recent one from the menu
    std::unique_ptr<CoverLoader> covers_;
    std::unique_ptr<ThumbnailCache> thumbnails_;  // the preview layout's decoded covers
    QString filterText_;
    DownloadStatusText downloadText_;  // used on the window's thread
    bool bPreview_ = false;
    int thumbnailsPerRow_ = 6;
    int thumbWidth_ = 113;
    int thumbHeight_ = 120;
    uint8_t nModeState_ = MODE_IDLE;
};
