#include "support/Compress.h"

#include <zlib.h>

namespace {

QByteArray Deflate(const QByteArray& plain, int windowBits) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, plain.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

}  // namespace

QByteArray GzipBytes(const QByteArray& plain) {
    return Deflate(plain, 15 + 16);
}
QByteArray ZlibBytes(const QByteArray& plain) {
    return Deflate(plain, 15);
}
QByteArray RawDeflateBytes(const QByteArray& plain) {
    return Deflate(plain, -15);
}
