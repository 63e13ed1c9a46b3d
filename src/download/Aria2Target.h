#pragma once
// Where a download job hands its pictures instead of fetching them itself: an aria2 daemon,
// reached by its JSON-RPC address.

#include <QString>

struct Aria2Target {
    QString rpc;          // e.g. "http://127.0.0.1:6800/jsonrpc"; empty: the job fetches itself
    QString secret;       // the daemon's --rpc-secret; never printed
    bool detach = false;  // only hand over, under the final names, and end

    bool enabled() const { return !rpc.isEmpty(); }
};
