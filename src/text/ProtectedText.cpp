// The codec for texts the program keeps in protected form: GBK bytes XOR-ed with a cyclic key
// (with escapes so that the stream never holds 0, LF or CR), written as complemented upper-case
// hexadecimal digits.

#include "text/StringCtrl.h"

namespace {

constexpr char kEscapeSame = '1';  // the plain byte equals its key byte
constexpr char kEscapeCr = '2';    // the plain byte XOR its key byte is CR
constexpr char kEscapeLf = '3';    // the plain byte XOR its key byte is LF
constexpr unsigned char kCr = 13;
constexpr unsigned char kLf = 10;
constexpr char kDigits[] = "0123456789ABCDEF";

// Value of a complemented digit (digit d stands for the nibble 15 - d); -1 for a non-digit.
int ComplementedNibble(char c) {
    if (c >= '0' && c <= '9') {
        return 15 - (c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return 15 - (c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return 15 - (c - 'a' + 10);
    }
    return -1;
}

}  // namespace

QString EncodeProtectedText(const QString& plain, const QString& key) {
    const QByteArray plainBytes = WideToGbk(plain);
    const QByteArray keyBytes = WideToGbk(key);
    if (keyBytes.isEmpty()) {
        return {};  // nothing to cycle over: no key, no protected text
    }
    QByteArray stream;
    stream.reserve(plainBytes.size() * 2);
    for (qsizetype i = 0; i < plainBytes.size(); ++i) {
        const auto p = static_cast<unsigned char>(plainBytes[i]);
        const auto k = static_cast<unsigned char>(keyBytes[i % keyBytes.size()]);
        const auto x = static_cast<unsigned char>(p ^ k);
        if (x == 0) {
            stream += static_cast<char>(k);
            stream += kEscapeSame;
        } else if (x == kCr) {
            stream += static_cast<char>(k);
            stream += kEscapeCr;
        } else if (x == kLf) {
            stream += static_cast<char>(k);
            stream += kEscapeLf;
        } else {
            stream += static_cast<char>(x);
        }
    }
    QString out;
    out.reserve(stream.size() * 2);
    for (const char c : stream) {
        const auto b = static_cast<unsigned char>(c);
        out += QLatin1Char(kDigits[15 - (b >> 4)]);
        out += QLatin1Char(kDigits[15 - (b & 0x0F)]);
    }
    return out;
}

QString DecodeProtectedText(const QString& protectedText, const QString& key) {
    const QByteArray digits = WideToGbk(protectedText);
    const QByteArray keyBytes = WideToGbk(key);
    if (keyBytes.isEmpty()) {
        return {};
    }
    // Digit pairs back to stream bytes; damaged input ends the stream at the first bad pair.
    QByteArray stream;
    stream.reserve(digits.size() / 2);
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
        const int high = ComplementedNibble(digits[i]);
        const int low = ComplementedNibble(digits[i + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        stream += static_cast<char>(high << 4 | low);
    }
    QByteArray plainBytes;
    plainBytes.reserve(stream.size());
    qsizetype keyIndex = 0;
    for (qsizetype i = 0; i < stream.size(); ++i, ++keyIndex) {
        const auto b = static_cast<unsigned char>(stream[i]);
        const auto k = static_cast<unsigned char>(keyBytes[keyIndex % keyBytes.size()]);
        if (b != k) {
            plainBytes += static_cast<char>(b ^ k);
            continue;
        }
        if (i + 1 >= stream.size()) {
            break;  // an escape cut off at the end of damaged input
        }
        const char escape = stream[++i];
        if (escape == kEscapeSame) {
            plainBytes += static_cast<char>(k);
        } else if (escape == kEscapeCr) {
            plainBytes += static_cast<char>(k ^ kCr);
        } else {
            plainBytes += static_cast<char>(k ^ kLf);
        }
    }
    return BytesToWide(plainBytes, CP_GBK);
}
