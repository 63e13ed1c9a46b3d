#include "gui/QuorvixDlg.h"

#include "app/SettingsFolder.h"
#include "app/Version.h"
#include "gui/Clipboard.h"
#include "gui/ComboBox2.h"
#include "gui/CoverLoader.h"
#include "gui/DlgFind.h"
#include "gui/LinkLabel.h"
#include "gui/MessageBox.h"
#include "gui/MyGridCtrl.h"
#include "gui/SplashScreenEx.h"
#include "gui/ThumbnailCache.h"
#include "net/CookieShare.h"
#include "sources/SourceKinds.h"
#ifdef QUORVIX_HAS_WEBENGINE
#include "gui/webengine/DlgWebOpen.h"
#endif

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include <thread>

namespace {

QLabel* MakeLink(const QString& text, const char* name, QWidget* parent,
                 const QString& href = QStringLiteral("#")) {
    auto* link = new LinkLabel(text, href, parent);
    link->setObjectName(QLatin1String(name));
    return link;
}

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString WithSeparator(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

}  // namespace

CQuorvixDlg::CQuorvixDlg(const StartOptions& options, QWidget* parent) : QMainWindow(parent) {
    const QString settingsFolder = ResolveSettingsFolder(options.settingsDir);
    CookieShare::SetCookieFile(settingsFolder + QStringLiteral("cookies.txt"));
    harvest_ = std::make_unique<Harvest>(settingsFolder);
    harvest_->SetView(this);
    const QString coverFolder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tmp/");
    covers_ = std::make_unique<CoverLoader>(coverFolder);
    thumbnails_ = std::make_unique<ThumbnailCache>(coverFolder, QSize(thumbWidth_, thumbHeight_));
    connect(covers_.get(), &CoverLoader::Loaded, this, &CQuorvixDlg::ThumbnailArrived);
    connect(covers_.get(), &CoverLoader::AllDone, this, [this] {
        if (nModeState_ != MODE_IDLE && bPreview_) {
            nModeState_ = MODE_IDLE;
        }
    });

    setWindowTitle(ProductTitle());
    setAcceptDrops(true);
    BuildControls();
    grid_->SetThumbnailSource([this](int album) { return thumbnails_->Get(album); });
    BuildMenu();
    SetUpGridLayout();

    if (options.readClipboard) {
        const QString clip = GetClipboardText().trimmed();
        if (!clip.isEmpty() && clip.size() < 200) {
            address_->setEditText(clip);
        }
    }
    LoadStartupSettings(options);
    StartStartupWorker();
}

CQuorvixDlg::~CQuorvixDlg() {
    closing_ = true;
    if (startupThread_.joinable()) {
        startupThread_.join();  // a start-up call it queued is dropped with this window
    }
    harvest_.reset();
}

void CQuorvixDlg::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    sourceKind_ = Named(new QComboBox(central), "combo1002");
    subKind_ = Named(new QComboBox(central), "combo1035");
    address_ = Named(new CComboBox2(central), "combo1001");
    address_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    getAlbums_ = Named(new QPushButton(QStringLiteral("获取相册"), central), "button1004");
    top->addWidget(sourceKind_);
    top->addWidget(subKind_);
    top->addWidget(address_, 1);
    top->addWidget(getAlbums_);
    layout->addLayout(top);

    auto* saveRow = new QHBoxLayout;
    saveRow->addWidget(new QLabel(QStringLiteral("保存路径:"), central));
    savePath_ = Named(new CComboBox2(central), "combo1000");
    savePath_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    chooseFolder_ = Named(new QPushButton(QStringLiteral("设置"), central), "button1007");
    openFolder_ = Named(new QPushButton(QStringLiteral("打开"), central), "button1008");
    download_ = Named(new QPushButton(QStringLiteral("下载"), central), "button1005");
    download_->setEnabled(false);
    saveRow->addWidget(savePath_, 1);
    saveRow->addWidget(chooseFolder_);
    saveRow->addWidget(openFolder_);
    saveRow->addWidget(download_);
    layout->addLayout(saveRow);

    auto* statusRow = new QHBoxLayout;
    status1_ = Named(new QLabel(QStringLiteral("state1"), central), "label1009");
    status2_ = Named(new QLabel(QStringLiteral("state2"), central), "label1006");
    noteLine_ = Named(
        new QLabel(QStringLiteral("复制相册或贴吧地址后点“获取相册”，选中相册后点“下载”"), central),
        "label1013");
    statusRow->addWidget(status1_, 1);
    statusRow->addWidget(status2_, 1);
    layout->addLayout(statusRow);
    layout->addWidget(noteLine_);

    group_ = Named(new QGroupBox(QStringLiteral("相册列表"), central), "group1011");
    auto* groupLayout = new QVBoxLayout(group_);
    grid_ = new CMyGridCtrl(group_);
    groupLayout->addWidget(grid_);
    auto* gridRow = new QHBoxLayout;
    selectAll_ = Named(new QCheckBox(QStringLiteral("全选"), group_), "check1012");
    previewBox_ = Named(new QCheckBox(QStringLiteral("预览图"), group_), "check1014");
    findLink_ = MakeLink(QStringLiteral("查找"), "link1034", group_);
    filterLink_ = MakeLink(QStringLiteral("筛选"), "link1036", group_);
    exportLink_ = MakeLink(QStringLiteral("导出"), "link1037", group_);
    for (QWidget* w : std::initializer_list<QWidget*>{selectAll_, previewBox_, findLink_,
                                                      filterLink_, exportLink_}) {
        gridRow->addWidget(w);
    }
    gridRow->addStretch(1);
    groupLayout->addLayout(gridRow);
    layout->addWidget(group_, 1);

    auto* bottom = new QHBoxLayout;
    bottomLine_ = Named(new QLabel(central), "label1031");
    webLink_ = MakeLink(QStringLiteral("Quorvix 主页"), "link1032", central,
                        QStringLiteral("https://quorvix.invalid/"));
    webLink_->setEnabled(false);
    bottom->addWidget(bottomLine_, 1);
    bottom->addWidget(webLink_);
    layout->addLayout(bottom);
    resize(960, 620);

    connect(getAlbums_, &QPushButton::clicked, this, &CQuorvixDlg::OnGetAlbums);
    connect(download_, &QPushButton::clicked, this, &CQuorvixDlg::OnDownload);
    connect(chooseFolder_, &QPushButton::clicked, this, &CQuorvixDlg::OnChooseFolder);
    connect(openFolder_, &QPushButton::clicked, this, &CQuorvixDlg::OnOpenFolder);
    connect(selectAll_, &QCheckBox::clicked, this, &CQuorvixDlg::OnSelectAll);
    connect(previewBox_, &QCheckBox::clicked, this, &CQuorvixDlg::OnSwitchLayout);
    connect(findLink_, &QLabel::linkActivated, this, &CQuorvixDlg::OnFind);
    connect(filterLink_, &QLabel::linkActivated, this, &CQuorvixDlg::OnFilter);
    connect(exportLink_, &QLabel::linkActivated, this, &CQuorvixDlg::OnExport);
    connect(webLink_, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    connect(sourceKind_, &QComboBox::activated, this, &CQuorvixDlg::OnSourceKindChanged);
    connect(address_, &CComboBox2::EditChanged, this, &CQuorvixDlg::RecognizeAddress);
    connect(address_, &QComboBox::activated, this, &CQuorvixDlg::OnAddressPicked);
}

void CQuorvixDlg::LoadStartupSettings(const StartOptions& options) {
    const QString settingsFolder = harvest_->settingsFolder();
    QString defaultSave = settingsFolder;
    // Running from a temporary place or keeping settings in the per-user folder: pictures go to
    // the documents folder instead.
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (options.settingsDir.isEmpty() &&
        (settingsFolder.startsWith(WithSeparator(configHome)) ||
         settingsFolder.toLower().contains(QLatin1String("/tmp/")))) {
        defaultSave =
            WithSeparator(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                          QStringLiteral("/Velmora"));
        QDir().mkdir(defaultSave);
    }
    savePath_->setEditText(defaultSave);

    harvest_->LoadSettingsFile();
    const SettingsBlock settings = harvest_->Settings();
    const QString typedAddress = address_->currentText();
    address_->clear();
    address_->setEditText(typedAddress);  // an address from the clipboard stays
    savePath_->clear();
    for (const QString& entry : settings.addressHistory) {
        if (!entry.isEmpty()) {
            address_->AddHistory(entry);
        }
    }
    for (const QString& entry : settings.savePathHistory) {
        if (!entry.isEmpty()) {
            savePath_->AddHistory(entry);
        }
    }
    savePath_->setEditText(settings.savePathHistory[0].isEmpty() ? defaultSave
                                                                 : settings.savePathHistory[0]);
    previewBox_->setChecked(bPreview_);
}

void CQuorvixDlg::StartStartupWorker() {
    auto* splash = new CSplashScreenEx;
    splash_ = splash;
    if (splash->CreateSplashWindow(this, QStringLiteral("正在启动 Quorvix ..."))) {
        splash->LoadSplashPicture(CSplashScreenEx::QuorvixSplashPicture());
        splash->SetSplashFont();
        splash->SetTextRect(30, 50, 291, 160);
        splash->SetTextColor(Qt::white);
        splash->SetTextFormat(20);
        splash->ShowSplash();
    }
    hide();
    // The start-up work (the service table) runs off the window thread; its end is reported back.
    startupThread_ = std::thread([this] {
        SourceKinds();
        QMetaObject::invokeMethod(
            this, [this] { FinishStartup(); }, Qt::QueuedConnection);
    });
}

void CQuorvixDlg::FinishStartup() {
    if (harvest_->bReady.load() == 1) {
        return;
    }
    sourceKind_->clear();
    for (const SourceKindInfo& kind : SourceKinds()) {
        sourceKind_->addItem(kind.displayText);
    }
    sourceKind_->setCurrentIndex(kBaiduKind);
    RecognizeAddress();
    harvest_->bReady = 1;
    OnSourceKindChanged();
    if (splash_) {
        splash_->HideSplash();  // the splash deletes itself once hidden
    }
    webLink_->setEnabled(true);
    show();
}

int CQuorvixDlg::CurrentKind() const {
    return std::clamp(harvest_->nSourceKind.load(), 0, kSourceKindSlots - 1);
}

// --- Source recognition --------------------------------------------------------------------

void CQuorvixDlg::OnSourceKindChanged() {
    harvest_->nSourceKind = kBaiduKind;
    if (sourceKind_->currentIndex() == 0) {
        subKind_->clear();
        subKind_->addItems(SubKindTexts());
        subKind_->setCurrentIndex(0);
        subKind_->show();
    } else {
        subKind_->hide();  // the address box takes the freed room
    }
}

void CQuorvixDlg::RecognizeAddress() {
    const QString text = address_->currentText();
    if (!HasWebScheme(text)) {
        return;
    }
    const int kind = RecognizeSourceKind(text, sourceKind_->currentIndex());
    sourceKind_->setCurrentIndex(kind);
    OnSourceKindChanged();
    if (kind == 0) {
        subKind_->setCurrentIndex(RecognizeSubKind(text));
    }
}

void CQuorvixDlg::OnAddressPicked(int index) {
    if (index >= 0) {
        address_->setEditText(address_->itemText(index));
    }
    RecognizeAddress();
}

void CQuorvixDlg::SetAddressText(const QString& text) {
    address_->setEditText(text);
    RecognizeAddress();
}

// --- Commands ------------------------------------------------------------------------------

void CQuorvixDlg::OnGetAlbums() {
    if (harvest_->nListState.load() == LIST_IDLE) {
        thumbnails_->Clear();
        covers_->CancelAll();
    }
    harvest_->GetAlbumsCommand();
}

void CQuorvixDlg::OnDownload() {
    harvest_->DownloadCommand();
}

void CQuorvixDlg::OnChooseFolder() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("请选择文件保存目录："), savePath_->currentText());
    if (chosen.isEmpty()) {
        return;
    }
    const QString folder = WithSeparator(chosen);
    savePath_->setEditText(folder);
    if (harvest_->AddToHistory(HISTORY_SAVE_FOLDERS, folder)) {
        savePath_->AddHistory(folder);
    }
}

void CQuorvixDlg::OpenLoginWindow(const QString& url, bool modal) {
#ifdef QUORVIX_HAS_WEBENGINE
    if (modal) {
        CDlgWebOpen window(this);
        window.SetStartAddress(url);
        window.Prepare();
        window.exec();
        QCoreApplication::processEvents();  // cookies the page set last
        CookieShare::SaveCookies();
        return;
    }
    auto* window = new CDlgWebOpen(this);  // lives, hidden after closing, until this window goes
    window->SetStartAddress(url);
    window->Prepare();
    connect(window, &QDialog::finished, this, [] { CookieShare::SaveCookies(); });
    loginWindow_ = window;
    window->show();
#else
    QDesktopServices::openUrl(QUrl(url));
    ShowMessageBox(this, QStringLiteral("已在系统浏览器中打开登录页面。此版本没有内置浏览器，"
                                        "在系统浏览器中的登录不会与本程序共享。"));
    Q_UNUSED(modal);
#endif
}

void CQuorvixDlg::OnOpenFolder() {
    const QString folder =
        harvest_->DownloadRunning() ? harvest_->CurrentAlbumFolder() : savePath_->currentText();
    if (!folder.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
}

void CQuorvixDlg::SetSaveFolderFromDrop(const QString& item) {
    QString folder = item.left(255);
    if (folder.lastIndexOf(u'.') > folder.lastIndexOf(u'/')) {
        folder = folder.left(folder.lastIndexOf(u'/'));  // a file: its folder
    }
    folder = WithSeparator(folder);
    if (folder.isEmpty()) {
        return;
    }
    savePath_->setEditText(folder);
    if (harvest_->AddToHistory(HISTORY_SAVE_FOLDERS, folder)) {
        savePath_->AddHistory(folder);
    }
}

void CQuorvixDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CQuorvixDlg::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) {
        SetSaveFolderFromDrop(urls.first().toLocalFile());
        event->acceptProposedAction();
    }
}

void CQuorvixDlg::OnSelectAll(bool checked) {
    if (checked) {
        grid_->SelectAllRows();
    } else {
        grid_->ClearSelection();
    }
}

void CQuorvixDlg::OnFind() {
    if (!findBar_) {
        findBar_ = new CDlgFind(this);
    }
    findBar_->SetGrid(grid_);
    grid_->SetSingleRowSelection(true);
    findBar_->SetFindMode(true);
    findBar_->show();
    findBar_->move(geometry().center() - findBar_->rect().center());
    findBar_->FocusKeyword();
}

void CQuorvixDlg::OnFilter() {
    if (findBar_) {
        findBar_->hide();
    }
    CDlgFind filter(this);
    filter.SetGrid(grid_);
    filter.SetFindMode(false);
    if (filter.exec() != QDialog::Accepted) {
        return;
    }
    filterText_ = filter.Keyword();
    grid_->SetRowCount(grid_->FixedRowCount());
    RebuildRows();
}

void CQuorvixDlg::OnExport() {
    grid_->ExportCsv();
}

void CQuorvixDlg::closeEvent(QCloseEvent* event) {
    // Jobs are asked to stop; questions they still ask are answered at once while they end.
    closing_ = true;
    if (findBar_) {
        findBar_->hide();
    }
    covers_->CancelAll();
    if (harvest_->nListState.load() == LIST_RUNNING) {
        harvest_->nListState = LIST_STOP_REQUESTED;
    }
    if (harvest_->jobState.load() != JOB_IDLE) {
        harvest_->RequestDownloadStop();
    }
    while (harvest_->JobsRunning()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    harvest_->WaitForJobs();
    CookieShare::SaveCookies();
    event->accept();
}
