#include "cli/Commands.h"

#include <cstdio>

int RunDownloadCommand(const QStringList&) {
    std::fprintf(stderr, "quorvix-cli download: not available in this build\n");
    return EXIT_USAGE;
}
