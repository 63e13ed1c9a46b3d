// quorvix: the desktop program.

#include "gui/QuorvixApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvix"));
    QApplication::setDesktopFileName(QStringLiteral("quorvix"));
    return CQuorvixApp().Run(QApplication::arguments());
}
