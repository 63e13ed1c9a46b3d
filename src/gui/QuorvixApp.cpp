#include "gui/QuorvixApp.h"

#include "app/Version.h"
#include "gui/QuorvixDlg.h"

#include <QApplication>
#include <QCommandLineParser>

AppArguments ParseAppArguments(const QStringList& arguments) {
    QCoreApplication::setApplicationVersion(ProductVersion());
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quorvix: batch downloader for photo albums."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("settings-dir"),
                      QStringLiteral("Folder of soft.dat and the cookie file."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("address"),
                      QStringLiteral("Address to put into the address box at start."),
                      QStringLiteral("ADDRESS")});
    // Desktops and browsers hand an address this way (the desktop entry's %u).
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("Address to put into the address box at start."),
                                 QStringLiteral("[ADDRESS]"));
    parser.process(arguments);

    AppArguments parsed;
    parsed.settingsDir = parser.value(QStringLiteral("settings-dir"));
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("address"))) {
        parsed.address = parser.value(QStringLiteral("address"));
    } else if (!positional.isEmpty()) {
        parsed.address = positional.first();
    }
    return parsed;
}

int CQuorvixApp::Run(const QStringList& arguments) {
    const AppArguments parsed = ParseAppArguments(arguments);
    StartOptions options;
    options.settingsDir = parsed.settingsDir;
    CQuorvixDlg window(options);
    if (!parsed.address.isEmpty()) {
        window.SetAddressText(parsed.address);
    }
    return QApplication::exec();
}
