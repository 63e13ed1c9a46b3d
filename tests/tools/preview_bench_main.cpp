// Measures the preview layout with many albums: starts the fake service, lists a forum in the
// main window (offscreen), switches to the preview layout, waits for every cover, then scrolls
// from the top to the bottom one page at a time. Prints the times, the time of the slowest page
// and the peak resident memory.

#include "fakeservice/FakeService.h"
#include "gui/MyGridCtrl.h"
#include "gui/QuorvixDlg.h"
#include "net/NetworkThread.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long PeakResidentKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentResidentKib() {
    FILE* status = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (status != nullptr) {
        if (std::fscanf(status, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(status);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool WaitFor(const std::function<bool()>& condition, int seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return condition();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvix-preview-bench FORUM (e.g. gen-30000x1)\n");
        return 1;
    }
    NetworkScope network;
    FakeService service;
    HttpProxyGuard proxy(service);
    QTemporaryDir settings;
    qputenv("XDG_CACHE_HOME", (settings.path() + QStringLiteral("/cache")).toUtf8());
    StartOptions options;
    options.settingsDir = settings.path();
    options.readClipboard = false;
    CQuorvixDlg window(options);
    if (!WaitFor([&] { return window.harvest().bReady.load() == 1; }, 20)) {
        return 1;
    }
    window.resize(960, 620);

    QElapsedTimer clock;
    clock.start();
    window.SetAddressText(QStringLiteral("http://tieba.baidu.com/photo/g?kw=") +
                          QString::fromLocal8Bit(argv[1]));
    window.OnGetAlbums();
    auto* status = window.findChild<QLabel*>(QStringLiteral("label1009"));
    if (!WaitFor([&] { return status->text().startsWith(QStringLiteral("获取相册列表完成")); },
                 600)) {
        std::fprintf(stderr, "the listing did not end\n");
        return 1;
    }
    const double listed = clock.elapsed() / 1000.0;
    clock.restart();
    window.findChild<QCheckBox*>(QStringLiteral("check1014"))->click();
    if (!WaitFor([&] { return window.modeState() == MODE_IDLE; }, 1200)) {
        std::fprintf(stderr, "the covers did not arrive\n");
        return 1;
    }
    const double covered = clock.elapsed() / 1000.0;

    // One page down at a time, each painted before the next.
    QScrollBar* bar = window.grid()->verticalScrollBar();
    std::vector<double> pages;
    bar->setValue(0);
    while (true) {
        QElapsedTimer page;
        page.start();
        window.grid()->viewport()->repaint();
        QCoreApplication::processEvents();
        pages.push_back(page.nsecsElapsed() / 1e6);
        if (bar->value() >= bar->maximum()) {
            break;
        }
        bar->setValue(bar->value() + bar->pageStep());
    }
    std::sort(pages.begin(), pages.end());
    std::printf(
        "albums %d: listed in %.2f s, covers in %.2f s; %zu pages scrolled, median %.1f ms, "
        "slowest %.1f ms; resident now %ld KiB, peak %ld KiB\n",
        window.harvest().albums.size(), listed, covered, pages.size(), pages[pages.size() / 2],
        pages.back(), CurrentResidentKib(), PeakResidentKib());
    window.close();
    return 0;
}
