#include "gui/AppLook.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

bool ApplyAppLook(QApplication& app) {
    Q_INIT_RESOURCE(quorvix);  // the icon, compiled into this static library
    QApplication::setApplicationName(QStringLiteral("quorvix"));
    QApplication::setDesktopFileName(QStringLiteral("quorvix"));
    // No display name: the desktop would append it to every title ("提示 — Quorvix").
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvix.svg")));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool loaded = false;
    for (const char* name : {"qtbase_zh_CN", "qtwebengine_zh_CN"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QLatin1String(name), folder)) {
            QCoreApplication::installTranslator(translator);
            loaded = loaded || qstrcmp(name, "qtbase_zh_CN") == 0;
        } else {
            delete translator;
        }
    }
    return loaded;
}
