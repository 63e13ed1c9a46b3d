#include "gui/QuorvixApp.h"

#include "gui/QuorvixDlg.h"

#include <QApplication>
#include <QCommandLineParser>

int CQuorvixApp::Run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quorvix: batch downloader for photo albums."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("settings-dir"),
                      QStringLiteral("Folder of soft.dat and the cookie file."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("address"),
                      QStringLiteral("Address to put into the address box at start."),
                      QStringLiteral("ADDRESS")});
    parser.process(arguments);

    StartOptions options;
    options.settingsDir = parser.value(QStringLiteral("settings-dir"));
    CQuorvixDlg window(options);
    if (parser.isSet(QStringLiteral("address"))) {
        window.SetAddressText(parser.value(QStringLiteral("address")));
    }
    return QApplication::exec();
}
