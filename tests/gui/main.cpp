// The widget tests run headless unless a platform is chosen.

#include "gui/AppLook.h"
#include "net/NetworkThread.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef QUORVIX_HAS_WEBENGINE
#include "gui/webengine/BrowserProfile.h"
#endif

int main(int argc, char** argv) {
    const QTemporaryDir data;  // the per-user data and cache folders of the tests
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (data.path() + QStringLiteral("/cache")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#ifdef QUORVIX_HAS_WEBENGINE
    PrepareBrowserEngine();
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    }
#endif
    QApplication app(argc, argv);
    ApplyAppLook(app);  // as the program does
    ::testing::InitGoogleTest(&argc, argv);
    NetworkScope network;
    return RUN_ALL_TESTS();
}
