// Cover addresses of the preview grid that redirect in a loop, never end or announce 2 GB: each
// fails at once without a file left in the cache folder, and the other covers still load. Built
// with the desktop program only (the cover loader is part of it).

#ifdef QUORVIX_RELIABILITY_GUI

#include "fakeservice/FakeService.h"
#include "gui/CoverLoader.h"
#include "support/TempDir.h"
#include "text/TextPrinters.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMap>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString Cover(const char* id) {
    return QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/%1.jpg").arg(QLatin1String(id));
}

TEST(HostileCovers, FailWithoutLeftoversWhileTheOthersLoad) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int argc = 1;
    char name[] = "test_reliability";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    FakeService service;
    HttpProxyGuard proxy(service);
    TempDir cache;

    CoverLoader loader(cache.path());
    QMap<int, bool> loaded;  // cover index -> an image arrived
    QObject::connect(&loader, &CoverLoader::Loaded,
                     [&](int index, bool ok) { loaded[index] = ok; });
    QEventLoop loop;
    QObject::connect(&loader, &CoverLoader::AllDone, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    loader.Request(0, Cover("hostile_cover_0-loop"));
    loader.Request(1, Cover("hostile_cover_1-endless"));
    loader.Request(2, Cover("hostile_cover_2-huge"));
    loader.Request(3, Cover("cover1001"));
    loop.exec();

    const QMap<int, bool> expected = {{0, false}, {1, false}, {2, false}, {3, true}};
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(QDir(cache.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("3.jpg")});
    EXPECT_LT(clock.elapsed(), 30000);
}

}  // namespace

#endif  // QUORVIX_RELIABILITY_GUI
