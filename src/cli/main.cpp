// quorvix-cli: the album lister and downloader for the terminal.

#include "cli/Commands.h"
#include "cli/Interrupts.h"
#include "net/NetworkThread.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: quorvix-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  list ADDRESS        list the albums of an album page or forum photo page\n"
    "  download ADDRESS    list, then download the chosen albums\n"
    "\n"
    "Run 'quorvix-cli COMMAND --help' for the options of a command.\n"
    "Requests honour the http_proxy, https_proxy and no_proxy environment variables.\n";

}  // namespace

int main(int argc, char** argv) {
    Interrupts::Install();  // before any other thread starts
    QCoreApplication::setApplicationName(QStringLiteral("quorvix"));
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    if (arguments.isEmpty() || arguments.first() == QLatin1String("--help") ||
        arguments.first() == QLatin1String("-h")) {
        std::fputs(kUsage, arguments.isEmpty() ? stderr : stdout);
        return arguments.isEmpty() ? EXIT_USAGE : EXIT_DONE;
    }
    NetworkScope network;
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("list")) {
        return RunListCommand(arguments);
    }
    if (command == QLatin1String("download")) {
        return RunDownloadCommand(arguments);
    }
    std::fprintf(stderr, "quorvix-cli: unknown command '%s'\n\n%s", qPrintable(command), kUsage);
    return EXIT_USAGE;
}
