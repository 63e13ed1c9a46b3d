#include "fakeservice/PictureStream.h"

#include "fakeservice/FakeText.h"
#include "support/HttpServer.h"

namespace {

constexpr qsizetype kLongestSegment = 65537;  // marker, length field and 65,533 filler bytes

const QByteArray& JpegHead() {
    static const QByteArray head = QByteArray::fromHex("FFD8FFE000104A46494600010100000100010000");
    return head;
}

const QByteArray& JpegTables() {
    // A Huffman table with one code of length 1 for the symbol 0.
    const auto oneCodeTable = [](const char* classAndId) {
        return QByteArray::fromHex("FFC40014") + QByteArray::fromHex(classAndId) +
               QByteArray::fromHex("01") + QByteArray(15, '\0') + QByteArray(1, '\0');
    };
    static const QByteArray tables = QByteArray::fromHex("FFDB004300") + QByteArray(64, '\x01') +
                                     QByteArray::fromHex("FFC0000B080001000101011100") +
                                     oneCodeTable("00") + oneCodeTable("10") +
                                     QByteArray::fromHex(
                                         "FFDA0008010100003F00"
                                         "3F"
                                         "FFD9");
    return tables;
}

}  // namespace

PictureFiller::PictureFiller(const QString& id) : state_(fake::TextHash(id) | 1) {}

void PictureFiller::append(QByteArray& out, qsizetype count) {
    if (count <= 0) {
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + count);
    char* next = out.data() + at;
    quint64 state = state_;
    for (qsizetype i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        next[i] = static_cast<char>(state >> 24);
    }
    state_ = state;
}

JpegStream::JpegStream(const QString& id, qsizetype size)
    : filler_(id),
      size_(qMax(size, JpegHead().size() + JpegTables().size())),
      rest_(size_ - JpegHead().size() - JpegTables().size()) {}

bool JpegStream::appendNext(QByteArray& out) {
    switch (stage_) {
        case Stage::Head:
            out += JpegHead();
            stage_ = Stage::Segments;
            return true;
        case Stage::Segments:
            if (rest_ >= 4) {
                qsizetype take = qMin(rest_, kLongestSegment);
                if (rest_ - take > 0 && rest_ - take < 4) {
                    take -= 4;  // leaves room for one more whole segment
                }
                const int length = static_cast<int>(take - 2);
                out += "\xFF\xFE";
                out += static_cast<char>((length >> 8) & 0xFF);
                out += static_cast<char>(length & 0xFF);
                filler_.append(out, take - 4);
                rest_ -= take;
                return true;
            }
            stage_ = Stage::Tail;
            [[fallthrough]];
        case Stage::Tail:
            // One to three bytes left: fill bytes, which may stand before any marker.
            out += QByteArray(rest_, '\xFF');
            out += JpegTables();
            stage_ = Stage::Done;
            return true;
        case Stage::Done:
            break;
    }
    return false;
}

bool SendStreamed(const FakeReply& reply, HttpExchange& exchange) {
    QByteArray piece = "HTTP/1.1 " + QByteArray::number(reply.status) + " OK\r\n";
    for (const auto& [name, value] : reply.headers) {
        piece += name + ": " + value + "\r\n";
    }
    piece += "Content-Length: " + QByteArray::number(reply.stream->size()) + "\r\n\r\n";
    if (exchange.request().method == "HEAD") {
        return exchange.sendRaw(piece);
    }
    // Pieces go out in sends of about 256 KiB, so the memory held stays that small.
    constexpr qsizetype kSendBytes = 256 * 1024;
    bool more = true;
    while (more) {
        while (piece.size() < kSendBytes && (more = reply.stream->appendNext(piece))) {
        }
        if (!exchange.sendRaw(piece)) {
            return false;
        }
        piece.resize(0);
    }
    return true;
}
