// Renders the main window for the README and docs/: starts the fake service, lists the demo
// forum through http_proxy and saves the window listed, the window while it downloads, and a
// message box, as PNG pictures in the folder given.

#include "fakeservice/FakeService.h"
#include "gui/AppLook.h"
#include "gui/ComboBox2.h"
#include "gui/MyGridCtrl.h"
#include "gui/QuorvixDlg.h"
#include "net/NetworkThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return condition();
}

bool Save(QWidget& widget, const QString& folder, const char* name) {
    QCoreApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ApplyAppLook(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvix-screenshot FOLDER\n");
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    NetworkScope network;
    FakeService service;
    HttpProxyGuard proxy(service);
    QTemporaryDir settings;
    StartOptions options;
    options.settingsDir = settings.path();
    options.readClipboard = false;
    CQuorvixDlg window(options);
    if (!WaitFor([&] { return window.harvest().bReady.load() == 1; })) {
        return 1;
    }
    window.resize(960, 560);
    window.SetAddressText(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    window.OnGetAlbums();
    auto* status1 = window.findChild<QLabel*>(QStringLiteral("label1009"));
    auto* status2 = window.findChild<QLabel*>(QStringLiteral("label1006"));
    if (!WaitFor([&] { return status1->text().startsWith(QStringLiteral("获取相册列表完成")); })) {
        return 1;
    }
    window.grid()->SelectRowAndScroll(2);
    if (!Save(window, folder, "main-window.png")) {
        return 1;
    }

    // A download caught half way: pictures are answered slowly.
    FakeOptions slow = service.options();
    slow.latencyMs = 150;
    service.setOptions(slow);
    window.grid()->SelectRowAndScroll(8);  // 大相册, 250 pictures
    window.findChild<CComboBox2*>(QStringLiteral("combo1000"))->setEditText(settings.path());
    window.OnDownload();
    if (!WaitFor([&] { return status2->text().startsWith(QStringLiteral("已下载4")); }) ||
        !Save(window, folder, "downloading.png")) {
        return 1;
    }
    window.OnDownload();  // stop
    WaitFor([&] { return window.harvest().jobState.load() == JOB_IDLE; });

    QMessageBox box(QMessageBox::Question, QStringLiteral("提示"),
                    QStringLiteral("模式转换未完成,是否中断?"), QMessageBox::Yes | QMessageBox::No,
                    &window);
    box.show();
    if (!Save(box, folder, "message-box.png")) {
        return 1;
    }
    box.close();
    window.close();
    return 0;
}
