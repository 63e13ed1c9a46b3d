// quorvix-fakeservice: the fake album service, forum and picture hosts on a loopback port, for
// scripts, benchmarks and demonstrations. Prints "PORT <n>" first, then serves until stdin (when
// it is a pipe) closes, SIGTERM or SIGINT arrives, or no request came for the idle time.

#include "fakeservice/FakeService.h"

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 's';
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

struct Arguments {
    FakeOptions options;
    long port = 0;
    long idleExitSec = 600;
    std::vector<std::string> failOnce;  // pictures whose id contains one fail their first request
};

void Usage() {
    std::fputs(
        "usage: quorvix-fakeservice [--port 0] [--latency-ms L] [--picture-bytes B] [--no-gzip]\n"
        "                           [--picture-kib-per-sec R] [--idle-exit-sec S]\n"
        "                           [--fail-once TEXT]...\n",
        stderr);
}

std::optional<long> Number(const char* text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0 ? std::optional<long>(value) : std::nullopt;
}

std::optional<Arguments> Parse(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--no-gzip") {
            arguments.options.gzip = false;
            continue;
        }
        if (name == "--fail-once" && i + 1 < argc) {
            arguments.failOnce.emplace_back(argv[++i]);
            continue;
        }
        const std::optional<long> value = i + 1 < argc ? Number(argv[i + 1]) : std::nullopt;
        if (!value) {
            return std::nullopt;
        }
        ++i;
        if (name == "--port") {
            arguments.port = *value;
        } else if (name == "--latency-ms") {
            arguments.options.latencyMs = static_cast<int>(*value);
        } else if (name == "--picture-bytes") {
            arguments.options.pictureBytes = *value;
        } else if (name == "--picture-kib-per-sec") {
            arguments.options.pictureKibPerSec = static_cast<int>(*value);
        } else if (name == "--idle-exit-sec") {
            arguments.idleExitSec = *value;
        } else {
            return std::nullopt;
        }
    }
    return arguments;
}

// Only a pipe or socket on stdin ends the service when it closes; a terminal or /dev/null (a
// background job) does not.
bool WatchStdin() {
    struct stat info {};
    return fstat(STDIN_FILENO, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Arguments> arguments = Parse(argc, argv);
    if (!arguments) {
        Usage();
        return 2;
    }
    if (arguments->port != 0) {
        std::fputs("quorvix-fakeservice: only an ephemeral port (--port 0) is supported\n", stderr);
        return 2;
    }
    if (::pipe(signalPipe) != 0) {
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    FakeService service(arguments->options);
    service.server().setRecording(false);
    for (const std::string& text : arguments->failOnce) {
        for (const FakePathKind kind : {FakePathKind::ForumPicture, FakePathKind::AlbumPicture}) {
            service.overrideNext({kind, QByteArray::fromStdString(text), 404, 1, {}});
        }
    }
    std::printf("PORT %u\n", static_cast<unsigned>(service.port()));
    std::fflush(stdout);

    const bool watchStdin = WatchStdin();
    const auto idleLimit = std::chrono::seconds(arguments->idleExitSec);
    for (;;) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {watchStdin ? STDIN_FILENO : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, 1000);
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            break;
        }
        if (ready > 0 && fds[1].revents) {
            char buffer[256];
            if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
                break;
            }
        }
        if (std::chrono::steady_clock::now() - service.lastActivity() > idleLimit) {
            std::fputs("quorvix-fakeservice: idle time-out, exiting\n", stderr);
            break;
        }
    }
    return 0;
}
