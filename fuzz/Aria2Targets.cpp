// The reading of an aria2 daemon's replies, on arbitrary bytes.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "download/Aria2Rpc.h"

void FuzzAria2Reply(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int count = in.Byte() % 24;
    const QByteArray body = in.Rest();

    QString error;
    if (!Aria2Result(body, error)) {
        FUZZ_CHECK(!error.isEmpty() && error.size() <= 500);
    }
    error.clear();
    const std::optional<std::vector<Aria2Reply>> replies =
        Aria2MulticallReplies(body, count, error);
    if (!replies) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }
    // One reply per call, each a value or a message a line can hold; states read within bounds.
    FUZZ_CHECK(static_cast<int>(replies->size()) == count);
    for (const Aria2Reply& reply : *replies) {
        FUZZ_CHECK(reply.ok || (!reply.error.isEmpty() && reply.error.size() <= 500));
        const Aria2Status status = Aria2StatusOf(reply.value);
        FUZZ_CHECK(status.totalLength >= 0 && status.completedLength >= 0);
        FUZZ_CHECK(status.errorMessage.size() <= 500 && status.errorCode.size() <= 16);
        const QString gid = reply.value.toString();
        if (IsAria2Gid(gid)) {
            FUZZ_CHECK(gid.size() == 16);
        }
    }
}
