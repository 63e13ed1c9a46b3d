// The main window driven headless against the fake service, through http_proxy.

#include "app/LinuxSettings.h"
#include "app/Version.h"
#include "fakeservice/FakeService.h"
#include "gui/ComboBox2.h"
#include "gui/MessageBox.h"
#include "gui/MyGridCtrl.h"
#include "gui/QuorvixApp.h"
#include "gui/QuorvixDlg.h"
#include "support/Aria2Daemon.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Spins the event loop until the condition holds or ten seconds have passed.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

class MainWindow : public ::testing::Test {
protected:
    MainWindow() : proxy(service) {
        previousHook = SetMessageBoxHook(
            {[this](QWidget*, const QString& text, const QString&) { messages << text; },
             [this](QWidget*, const QString& text, const QString&) {
                 questions << text;
                 return answerYes;
             }});
        StartOptions options;
        options.settingsDir = settings.path();
        options.readClipboard = false;
        window = std::make_unique<CQuorvixDlg>(options);
        EXPECT_TRUE(WaitUntil([this] { return window->harvest().bReady.load() == 1; }));
    }
    ~MainWindow() override {
        window->close();
        window.reset();
        SetMessageBoxHook(previousHook);
    }

    template <typename T>
    T* Control(const char* name) const {
        return window->findChild<T*>(QLatin1String(name));
    }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
    QString Status1() const { return Control<QLabel>("label1009")->text(); }
    CMyGridCtrl* Grid() const { return window->grid(); }

    void ListAlbums(const QString& address) {
        window->SetAddressText(address);
        Control<QLabel>("label1009")->clear();  // so only this listing's final text counts
        Button("button1004")->click();
        ASSERT_TRUE(WaitUntil([this] {
            // The final status comes before the idle state's controls: wait for both.
            return Status1().startsWith(QStringLiteral("获取相册列表完成")) &&
                   Button("button1004")->text() == QStringLiteral("获取相册");
        }));
    }
    void WaitForDownload() {
        ASSERT_TRUE(WaitUntil([this] {
            return window->harvest().jobState.load() == JOB_IDLE &&
                   Status1() == QStringLiteral("下载完毕");
        }));
    }
    QAction* MenuAction(int id) const {
        return window->findChild<QAction*>(QStringLiteral("menu%1").arg(id));
    }
    QMenu* SettingsMenu() const {
        return window->findChild<QMenu*>(QStringLiteral("menuSettings"));
    }

    TempDir settings;
    TempDir save;
    FakeService service;
    HttpProxyGuard proxy;
    QStringList messages;
    QStringList questions;
    bool answerYes = false;
    MessageBoxHook previousHook;
    std::unique_ptr<CQuorvixDlg> window;
};

TEST_F(MainWindow, ListsSelectsAllAndDownloads) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    EXPECT_EQ(Control<QComboBox>("combo1002")->currentIndex(), 1);
    EXPECT_EQ(Control<QGroupBox>("group1011")->title(), QStringLiteral("相册列表(共8个)"));
    EXPECT_EQ(Grid()->RowCount(), 9);  // the header row and eight albums
    EXPECT_EQ(Grid()->CellText(2, 1), QStringLiteral("春天的花"));
    EXPECT_TRUE(Button("button1005")->isEnabled());
    EXPECT_EQ(Button("button1004")->text(), QStringLiteral("获取相册"));

    Control<QCheckBox>("check1012")->click();  // 全选
    EXPECT_EQ(Grid()->ChosenAlbums(8).size(), 8);
    Control<CComboBox2>("combo1000")->setEditText(save.path());
    // The title is the progress display while the job runs (the task bar shows it too).
    QStringList titles;
    QObject::connect(window.get(), &QWidget::windowTitleChanged,
                     [&titles](const QString& title) { titles << title; });
    Button("button1005")->click();
    WaitForDownload();
    EXPECT_EQ(Button("button1005")->text(), QStringLiteral("下载"));
    EXPECT_TRUE(Button("button1004")->isEnabled());
    EXPECT_EQ(QDir(save.file(QStringLiteral("demo/大相册"))).entryList(QDir::Files).size(), 251);
    ASSERT_GE(titles.size(), 3);
    EXPECT_EQ(titles.first(), QStringLiteral("0% ") + ProductTitle());
    EXPECT_EQ(titles.at(titles.size() - 2), QStringLiteral("100% ") + ProductTitle());
    EXPECT_EQ(titles.last(), ProductTitle());
    EXPECT_EQ(window->windowTitle(), ProductTitle());
    const QRegularExpression progress(QStringLiteral("^(\\d|[1-9]\\d|100)% ") +
                                      QRegularExpression::escape(ProductTitle()) + u'$');
    EXPECT_EQ(titles.filter(progress).size(), titles.size() - 1);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join(u'\n'));
    // The address entered the history box.
    EXPECT_EQ(Control<CComboBox2>("combo1001")->History().first(),
              QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
}

// The window said "获取相册列表完成，共0个" for a host it could not reach, as for an empty forum;
// a download that met a page it could not fetch said only "下载完毕".
TEST_F(MainWindow, PagesThatCannotBeFetchedAreToldInTheStatusLine) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    service.overrideNext({FakePathKind::ForumPictureList, "&pn=1&", 404, 1, {}});
    Grid()->SelectAllRows();
    Control<CComboBox2>("combo1000")->setEditText(save.path());
    Button("button1005")->click();
    ASSERT_TRUE(WaitUntil([this] {
        return window->harvest().jobState.load() == JOB_IDLE &&
               Status1().startsWith(QStringLiteral("下载完毕"));
    }));
    EXPECT_EQ(Status1(),
              QStringLiteral("下载完毕，有页面获取失败（tieba.baidu.com 服务器返回 404）"));

    QString closed;
    {
        FakeService gone;
        closed = gone.proxyUrl();
    }
    HttpProxyGuard unreachable(closed);
    window->harvest().retries = 0;  // a refused connection is not worth waiting for here
    window->SetAddressText(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Button("button1004")->click();
    ASSERT_TRUE(
        WaitUntil([this] { return Status1().startsWith(QStringLiteral("获取相册列表失败")); }));
    EXPECT_EQ(Status1(), QStringLiteral("获取相册列表失败（tieba.baidu.com 连接被拒绝），共0个"));
    EXPECT_FALSE(Button("button1005")->isEnabled());
}

TEST_F(MainWindow, SinglePostDownloadsByItself) {
    Control<CComboBox2>("combo1000")->setEditText(save.path());
    window->SetAddressText(QStringLiteral("http://tieba.baidu.com/photo/p?kw=demo&tid=1001"));
    Button("button1004")->click();
    ASSERT_TRUE(WaitUntil([this] { return Status1() == QStringLiteral("下载完毕"); }));
    EXPECT_EQ(QDir(save.file(QStringLiteral("demo/手机相册"))).entryList(QDir::Files).size(), 4);
}

TEST_F(MainWindow, StopsListingAndDownloading) {
    FakeOptions slow = service.options();
    slow.latencyMs = 40;
    service.setOptions(slow);
    window->SetAddressText(QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-300x1"));
    Button("button1004")->click();
    ASSERT_TRUE(WaitUntil([this] { return Grid()->RowCount() > 1; }));
    EXPECT_EQ(Button("button1004")->text(), QStringLiteral("终止获取"));
    EXPECT_FALSE(Control<QComboBox>("combo1001")->isEnabled());
    Button("button1004")->click();
    ASSERT_TRUE(WaitUntil([this] { return window->harvest().nListState.load() == LIST_IDLE; }));
    EXPECT_LT(Grid()->RowCount(), 301);
    EXPECT_EQ(Grid()->RowCount() - 1, window->harvest().albums.size());

    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=faults"));
    Grid()->SelectRowAndScroll(3);  // 停滞: pictures that never end
    Control<CComboBox2>("combo1000")->setEditText(save.path());
    Button("button1005")->click();
    ASSERT_TRUE(WaitUntil([this] {
        return service.requestCount(FakePathKind::ForumPicture) >= 1 &&
               Button("button1005")->text() == QStringLiteral("终止下载");
    }));
    EXPECT_FALSE(Button("button1004")->isEnabled());
    Button("button1005")->click();
    WaitForDownload();
    EXPECT_EQ(Button("button1005")->text(), QStringLiteral("下载"));
}

TEST_F(MainWindow, RecognizesAddressesWhileTyping) {
    QComboBox* kind = Control<QComboBox>("combo1002");
    QComboBox* subKind = Control<QComboBox>("combo1035");
    window->SetAddressText(QStringLiteral("http://t.qq.com/someone"));
    EXPECT_EQ(kind->currentIndex(), 0);
    EXPECT_FALSE(subKind->isHidden());
    EXPECT_EQ(subKind->currentIndex(), 2);
    window->SetAddressText(QStringLiteral("http://xiangce.baidu.com/u/demo"));
    EXPECT_EQ(kind->currentIndex(), 1);
    EXPECT_TRUE(subKind->isHidden());
    window->SetAddressText(QStringLiteral("weibo.com/ without a scheme"));
    EXPECT_EQ(kind->currentIndex(), 1);
}

TEST_F(MainWindow, MenuMarksAndToggles) {
    QMenu* menu = SettingsMenu();
    Q_EMIT menu->aboutToShow();
    for (int id : {32776, 32808, 32814}) {
        EXPECT_FALSE(MenuAction(id)->isEnabled()) << id;  // only for kinds 7 and 11
    }
    EXPECT_FALSE(MenuAction(32799)->isChecked());
    MenuAction(32799)->trigger();  // 修正图片顺序
    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(MenuAction(32799)->isChecked());
    MenuAction(32808)->trigger();  // disabled for this kind: nothing happens
    const uint16_t flags = window->harvest().Settings().saveRules[1].optionFlags;
    EXPECT_EQ(flags, OPT_FIX_ORDER);
    // Saved at once.
    SettingsBlock stored;
    ASSERT_TRUE(LoadSettings(stored, settings.path()));
    EXPECT_EQ(stored.saveRules[1].optionFlags, flags);
    MenuAction(32799)->trigger();
    EXPECT_FALSE(window->harvest().Settings().saveRules[1].optionFlags & OPT_FIX_ORDER);
}

// The download archive is an option of the menu, kept in quorvix.ini; with it a second download
// of an album fetches nothing and says why.
TEST_F(MainWindow, ArchiveOptionMakesRerunsFetchOnlyWhatIsMissing) {
    QMenu* menu = SettingsMenu();
    Q_EMIT menu->aboutToShow();
    EXPECT_FALSE(MenuAction(40001)->isChecked());
    MenuAction(40001)->trigger();
    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(MenuAction(40001)->isChecked());
    EXPECT_TRUE(LoadLinuxSettings(settings.path() + u'/').archive);

    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Control<CComboBox2>("combo1000")->setEditText(save.path());
    for (int run = 0; run < 2; ++run) {
        Grid()->SelectRowAndScroll(2);  // 春天的花, 12 pictures
        Button("button1005")->click();
        WaitForDownload();
    }
    EXPECT_EQ(service.requestCount(FakePathKind::ForumPicture), 12);
    EXPECT_EQ(Control<QLabel>("label1006")->text(), QStringLiteral("12张图片已下载过，未再下载"));
    EXPECT_TRUE(QFileInfo::exists(settings.file(QStringLiteral("archive.sqlite"))));

    MenuAction(40001)->trigger();
    EXPECT_FALSE(LoadLinuxSettings(settings.path() + u'/').archive);
}

// With the aria2 setting the window's download goes to the daemon and ends as its own would.
TEST_F(MainWindow, HandsTheDownloadToAria2WhenSetSo) {
    Aria2Daemon daemon(service.proxyUrl());
    ASSERT_TRUE(daemon.ready()) << daemon.failure().toStdString();
    LinuxSettings handOver;
    handOver.transport = PictureTransport::Aria2Rpc;
    handOver.aria2Rpc = daemon.rpc();
    handOver.aria2Secret = daemon.secret();
    ASSERT_TRUE(SaveLinuxSettings(settings.path() + u'/', handOver));

    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Grid()->SelectRowAndScroll(2);  // 春天的花, 12 pictures
    Control<CComboBox2>("combo1000")->setEditText(save.path());
    Button("button1005")->click();
    WaitForDownload();
    EXPECT_EQ(Status1(), QStringLiteral("下载完毕"));
    QStringList files = QDir(save.file(QStringLiteral("demo/春天的花"))).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 13) << files.join(u' ').toStdString();  // and the marker
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u' ').toStdString();
}

TEST_F(MainWindow, DroppedItemsSetTheSaveFolder) {
    CComboBox2* savePath = Control<CComboBox2>("combo1000");
    const QString picture = save.write(QStringLiteral("pics/a.jpg"), "x");
    window->SetSaveFolderFromDrop(picture);
    EXPECT_EQ(savePath->currentText(), save.file(QStringLiteral("pics/")));
    window->SetSaveFolderFromDrop(save.file(QStringLiteral("folder")));
    EXPECT_EQ(savePath->currentText(), save.file(QStringLiteral("folder/")));
    window->SetSaveFolderFromDrop(save.file(QStringLiteral("v1.2")));  // taken for a file
    EXPECT_EQ(savePath->currentText(), save.path());
    EXPECT_EQ(window->harvest().Settings().savePathHistory[0], save.path());
    EXPECT_EQ(savePath->History().size(), 3);
}

// Album-service covers never loaded: their addresses kept the JSON escapes ("http:\\/\\/...").
TEST_F(MainWindow, PreviewLayoutShowsCoverThumbnails) {
    for (const char* address :
         {"http://tieba.baidu.com/photo/g?kw=demo", "http://xiangce.baidu.com/u/demo"}) {
        SCOPED_TRACE(address);
        service.resetCounters();
        ListAlbums(QString::fromLatin1(address));
        Control<QCheckBox>("check1014")->click();
        EXPECT_TRUE(window->preview());
        EXPECT_FALSE(Control<QLabel>("link1034")->isEnabled());
        ASSERT_TRUE(WaitUntil([this] { return window->modeState() == MODE_IDLE; }));
        EXPECT_EQ(Grid()->RowCount(), 2);  // eight albums, six to a row
        EXPECT_EQ(Grid()->ItemData(1, 1), 7);
        EXPECT_GE(window->harvest().albums.at(1).nThumb, 0);
        // The cell draws the cover above its caption.
        const QImage drawn = Grid()->viewport()->grab().toImage();
        const QRect cell = Grid()->visualRect(Grid()->model()->index(0, 1));
        EXPECT_NE(drawn.pixelColor(cell.center().x(), cell.top() + 30),
                  Grid()->palette().color(QPalette::Base));
        Control<QCheckBox>("check1014")->click();
        EXPECT_FALSE(window->preview());
        EXPECT_EQ(Grid()->RowCount(), 9);
    }
}

TEST_F(MainWindow, RefusesDownloadWithoutSaveFolder) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    Grid()->SelectRowAndScroll(1);
    Control<CComboBox2>("combo1000")->setEditText(QString());
    Button("button1005")->click();
    ASSERT_TRUE(WaitUntil([this] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages.first(), QStringLiteral("请先设置保存路径"));
    ASSERT_TRUE(WaitUntil([this] { return window->harvest().jobState.load() == JOB_IDLE; }));
    EXPECT_EQ(Button("button1005")->text(), QStringLiteral("下载"));
}

TEST_F(MainWindow, FilterListsMatchingAlbumsOnce) {
    ListAlbums(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    // The user types a keyword into the filter dialog and confirms it.
    auto filterWith = [this](const QString& keyword) {
        QTimer::singleShot(0, [keyword] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == QLatin1String("dlgFind") && widget->isVisible()) {
                    widget->findChild<QLineEdit*>(QStringLiteral("edit1639"))->setText(keyword);
                    widget->findChild<QPushButton*>(QStringLiteral("button1006"))->click();
                }
            }
        });
        window->OnFilter();
    };
    filterWith(QStringLiteral("旅行"));
    ASSERT_EQ(Grid()->RowCount(), 3);
    EXPECT_EQ(Grid()->CellText(2, 1), QStringLiteral("旅行 (1)"));
    EXPECT_EQ(Grid()->ItemData(2, 0), 4);  // the album index travels with the row
    filterWith(QStringLiteral("  "));
    EXPECT_EQ(Grid()->RowCount(), 9);
}

TEST(MainWindowStart, ClipboardAddressFillsTheAddressBox) {
    TempDir settings;
    QGuiApplication::clipboard()->setText(
        QStringLiteral("  http://tieba.baidu.com/photo/g?kw=abc "));
    StartOptions options;
    options.settingsDir = settings.path();
    CQuorvixDlg window(options);
    EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("combo1001"))->currentText(),
              QStringLiteral("http://tieba.baidu.com/photo/g?kw=abc"));
    QGuiApplication::clipboard()->setText(QString(200, u'x'));
    CQuorvixDlg second(options);
    EXPECT_TRUE(second.findChild<QComboBox*>(QStringLiteral("combo1001"))->currentText().isEmpty());
}

// The desktop entry hands the address as the one positional argument (its %u).
TEST(MainWindowStart, AddressFromTheCommandLine) {
    struct Case {
        QStringList arguments;
        QString address;
    };
    const Case cases[] = {
        {{QStringLiteral("quorvix")}, QString()},
        {{QStringLiteral("quorvix"), QStringLiteral("http://tieba.baidu.com/photo/g?kw=a")},
         QStringLiteral("http://tieba.baidu.com/photo/g?kw=a")},
        {{QStringLiteral("quorvix"), QStringLiteral("--address"), QStringLiteral("first"),
          QStringLiteral("second")},
         QStringLiteral("first")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseAppArguments(c.arguments).address, c.address)
            << c.arguments.join(u' ').toStdString();
    }
    const AppArguments withFolder = ParseAppArguments(
        {QStringLiteral("quorvix"), QStringLiteral("--settings-dir"), QStringLiteral("/tmp/x")});
    EXPECT_EQ(withFolder.settingsDir, QStringLiteral("/tmp/x"));
}

}  // namespace
