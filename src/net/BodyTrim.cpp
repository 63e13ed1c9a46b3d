#include "net/BodyTrim.h"

#include <algorithm>

namespace {

// Drops everything up to and including the last begin marker found by repeated first-occurrence
// cuts, searching from `from`. Returns the number of bytes dropped.
qsizetype CutBegin(QByteArray& body, const QByteArray& marker, qsizetype from) {
    if (marker.isEmpty()) {
        return 0;
    }
    qsizetype dropped = 0;
    qsizetype pos;
    while ((pos = body.indexOf(marker, from)) >= 0) {
        const qsizetype cut = pos + marker.size();
        body.remove(0, cut);
        dropped += cut;
        from = 0;
    }
    return dropped;
}

}  // namespace

void TrimByMarkers(QByteArray& body, const QByteArray& beginMarker, const QByteArray& endMarker) {
    CutBegin(body, beginMarker, 0);
    if (!endMarker.isEmpty()) {
        const qsizetype pos = body.indexOf(endMarker);
        if (pos >= 0) {
            body.truncate(pos);
        }
    }
}

StreamingTrim::StreamingTrim(const QByteArray& beginMarker, const QByteArray& endMarker)
    : begin_(beginMarker), end_(endMarker) {}

bool StreamingTrim::Append(QByteArray& body, const char* bytes, qsizetype count) {
    const qsizetype oldSize = body.size();
    body.append(bytes, count);
    // The body held no begin marker before, so a new one ends in the new bytes.
    const qsizetype beginFrom = std::max<qsizetype>(0, oldSize - (begin_.size() - 1));
    const qsizetype dropped = CutBegin(body, begin_, beginFrom);
    endScanFrom_ = std::max<qsizetype>(0, endScanFrom_ - dropped);
    if (end_.isEmpty()) {
        return false;
    }
    const qsizetype pos = body.indexOf(end_, endScanFrom_);
    if (pos >= 0) {
        body.truncate(pos);
        return true;
    }
    endScanFrom_ = std::max<qsizetype>(0, body.size() - (end_.size() - 1));
    return false;
}
