// quorvix: the desktop program.

#include "gui/AppLook.h"
#include "gui/QuorvixApp.h"
#include "net/NetworkThread.h"

#include <QApplication>

#ifdef QUORVIX_HAS_WEBENGINE
#include "gui/webengine/BrowserProfile.h"
#endif

int main(int argc, char** argv) {
#ifdef QUORVIX_HAS_WEBENGINE
    PrepareBrowserEngine();
#endif
    QApplication app(argc, argv);
    ApplyAppLook(app);
    NetworkScope network;
    return CQuorvixApp().Run(QApplication::arguments());
}
