#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>

namespace {

void AbortOnFailure(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
    std::abort();
}

FuzzFailureHandler failureHandler = &AbortOnFailure;

}  // namespace

FuzzInput::FuzzInput(const uint8_t* data, size_t size)
    : data_(reinterpret_cast<const char*>(data)), size_(static_cast<qsizetype>(size)) {}

uint8_t FuzzInput::Byte() {
    return pos_ < size_ ? static_cast<uint8_t>(data_[pos_++]) : 0;
}

QByteArray FuzzInput::Piece() {
    qsizetype end = pos_;
    while (end < size_ && data_[end] != '\0') {
        ++end;
    }
    QByteArray piece(data_ + pos_, end - pos_);
    pos_ = end < size_ ? end + 1 : end;
    return piece;
}

QByteArray FuzzInput::Rest() {
    QByteArray rest(data_ + pos_, size_ - pos_);
    pos_ = size_;
    return rest;
}

QString FuzzInput::Text(bool asUnits) {
    const QByteArray piece = Piece();
    return asUnits ? UnitsText(piece) : QString::fromUtf8(piece);
}

QString FuzzInput::RestText(bool asUnits) {
    const QByteArray rest = Rest();
    return asUnits ? UnitsText(rest) : QString::fromUtf8(rest);
}

QString UnitsText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        text.append(QChar(static_cast<char16_t>(high << 8 | low)));
    }
    return text;
}

void SetFuzzFailureHandler(FuzzFailureHandler handler) {
    failureHandler = handler != nullptr ? handler : &AbortOnFailure;
}

void FuzzFail(const char* property, const char* file, int line) {
    failureHandler(property, file, line);
}
