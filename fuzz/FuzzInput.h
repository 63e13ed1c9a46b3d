#pragma once
// Reading the arguments of a function under test out of one fuzz input, and reporting a broken
// property.
//
// Layout of an input: single bytes (Byte) and pieces separated by NUL bytes (Piece); texts are a
// piece read as UTF-8, or, when the target asks for it, as raw UTF-16LE units (which can hold
// lone surrogate halves and NUL characters, as texts decoded from pages can).

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size);

    bool AtEnd() const { return pos_ >= size_; }
    // The next byte; 0 once the input is used up.
    uint8_t Byte();
    // The bytes up to the next NUL (which is consumed) or to the end.
    QByteArray Piece();
    // Everything not read yet.
    QByteArray Rest();
    // A piece as text: UTF-8, or UTF-16LE units when asUnits is set.
    QString Text(bool asUnits);
    // The rest as text.
    QString RestText(bool asUnits);

private:
    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
};

// Raw UTF-16LE units (an odd last byte is dropped).
QString UnitsText(const QByteArray& bytes);

// What a broken property does: by default it prints the entry's name and the property, then
// aborts, which libFuzzer reports as a crash with its input. The test suite installs a handler
// that records a test failure instead.
using FuzzFailureHandler = void (*)(const char* property, const char* file, int line);
void SetFuzzFailureHandler(FuzzFailureHandler handler);
void FuzzFail(const char* property, const char* file, int line);

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : FuzzFail(#condition, __FILE__, __LINE__))
