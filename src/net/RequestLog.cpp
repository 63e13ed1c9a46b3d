#include "net/RequestLog.h"

#include "net/NetworkThread.h"

namespace {

RequestLogger& Logger() {
    static RequestLogger logger;
    return logger;
}

}  // namespace

void SetRequestLogger(RequestLogger logger) {
    NetworkThread::Instance().RunAndWait([&] { Logger() = std::move(logger); });
}

const RequestLogger& CurrentRequestLogger() {
    return Logger();
}
