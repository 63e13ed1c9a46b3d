// quorvix-cli: the album lister and downloader for the terminal.

#include "app/Version.h"
#include "cli/Commands.h"
#include "cli/Interrupts.h"
#include "net/NetworkThread.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: quorvix-cli COMMAND [OPTIONS] ADDRESS\n"
    "\n"
    "Commands:\n"
    "  list ADDRESS        list the albums of an album page or forum photo page\n"
    "  download ADDRESS    list, then download the chosen albums (--save DIR)\n"
    "  archive FILE        what a download archive holds (--forget-missing)\n"
    "\n"
    "Addresses:\n"
    "  http://tieba.baidu.com/photo/g?kw=FORUM            the photo albums of a forum\n"
    "  http://tieba.baidu.com/photo/p?kw=FORUM&tid=POST   the pictures of one forum post\n"
    "  http://xiangce.baidu.com/u/USER                    a user's photo albums\n"
    "  (https:// as well; any other page of the album service is searched for its user)\n"
    "\n"
    "Run 'quorvix-cli COMMAND --help' for the options of a command; 'quorvix-cli --version'.\n"
    "Requests honour the http_proxy, https_proxy and no_proxy environment variables.\n"
    "\n";

}  // namespace

int main(int argc, char** argv) {
    Interrupts::Install();  // before any other thread starts
    QCoreApplication::setApplicationName(QStringLiteral("quorvix"));
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const QString first = arguments.value(0);
    if (arguments.isEmpty() || first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("--help-all")) {
        std::FILE* out = arguments.isEmpty() ? stderr : stdout;
        std::fputs(kUsage, out);
        std::fputs(kExitStatusHelp, out);
        return arguments.isEmpty() ? EXIT_USAGE : EXIT_DONE;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-V")) {
        std::printf("quorvix-cli %s\n", qPrintable(ProductVersion()));
        return EXIT_DONE;
    }
    NetworkScope network;
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("list")) {
        return RunListCommand(arguments);
    }
    if (command == QLatin1String("download")) {
        return RunDownloadCommand(arguments);
    }
    if (command == QLatin1String("archive")) {
        return RunArchiveCommand(arguments);
    }
    std::fprintf(stderr, "quorvix-cli: unknown command '%s' (see --help)\n", qPrintable(command));
    return EXIT_USAGE;
}
