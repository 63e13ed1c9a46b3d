// Renders the main window with the demo forum listed, for the README: starts the fake service,
// lists its albums through http_proxy and saves the window as a PNG picture.

#include "fakeservice/FakeService.h"
#include "gui/MyGridCtrl.h"
#include "gui/QuorvixDlg.h"
#include "net/NetworkThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvix-screenshot OUTPUT.png\n");
        return 1;
    }
    NetworkScope network;
    FakeService service;
    HttpProxyGuard proxy(service);
    QTemporaryDir settings;
    StartOptions options;
    options.settingsDir = settings.path();
    options.readClipboard = false;
    CQuorvixDlg window(options);

    auto waitFor = [](const std::function<bool()>& condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        return condition();
    };
    if (!waitFor([&] { return window.harvest().bReady.load() == 1; })) {
        return 1;
    }
    window.SetAddressText(QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo"));
    window.OnGetAlbums();
    auto* status = window.findChild<QLabel*>(QStringLiteral("label1009"));
    if (!waitFor([&] { return status->text().startsWith(QStringLiteral("获取相册列表完成")); })) {
        return 1;
    }
    window.grid()->SelectRowAndScroll(2);
    window.resize(960, 560);
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    window.close();
    return 0;
}
