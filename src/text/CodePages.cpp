// Code-page conversions (GBK, Big5, EUC-KR, UTF-8), the UTF-8 test and percent-decoding.

#include <QStringDecoder>
#include <QStringEncoder>

#include "text/StringCtrl.h"

namespace {

// Converters carry state and may not be shared between threads; opening one per call would
// repeat the code-page lookup for every fetched page. So each thread keeps its own set, made on
// first use, and every conversion starts from a reset state.
struct Converters {
    static constexpr auto kFlags = QStringConverter::Flag::Stateless;
    QStringEncoder gbkEncoder{"GBK", kFlags};
    QStringDecoder gbk{"GBK", kFlags};
    QStringDecoder big5{"Big5", kFlags};
    QStringDecoder eucKr{"EUC-KR", kFlags};
};

Converters& ThreadConverters() {
    thread_local Converters converters;
    return converters;
}

QStringDecoder* DecoderFor(int codePage) {
    Converters& c = ThreadConverters();
    switch (codePage) {
        case CP_ANSI:
        case CP_GBK:
            return &c.gbk;
        case CP_BIG5:
            return &c.big5;
        case CP_EUC_KR:
            return &c.eucKr;
        default:
            return nullptr;
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

QByteArray WideToGbk(const QString& text) {
    QStringEncoder& encoder = ThreadConverters().gbkEncoder;
    if (!encoder.isValid()) {
        return {};
    }
    encoder.resetState();
    QByteArray bytes;
    if (!text.isEmpty() && text.back().isHighSurrogate()) {
        // The encoder holds back a final high surrogate as the start of a pair and never writes
        // it; like any other unmappable unit it must become '?'.
        bytes = encoder.encode(QStringView(text).chopped(1));
        bytes += '?';
    } else {
        bytes = encoder.encode(text);
    }
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    return bytes;
}

QString BytesToWide(const char* bytes, qsizetype count, int codePage) {
    if (bytes == nullptr || count <= 0) {
        return {};
    }
    QString text;
    if (codePage == CP_UTF8) {
        text = QString::fromUtf8(bytes, count);
    } else {
        QStringDecoder* decoder = DecoderFor(codePage);
        if (decoder == nullptr || !decoder->isValid()) {
            return {};  // an unknown code page converts nothing
        }
        decoder->resetState();
        text = decoder->decode(QByteArrayView(bytes, count));
    }
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0) {
        text.truncate(zero);
    }
    return text;
}

QString AnsiToWide(const char* bytes) {
    if (bytes == nullptr) {
        return {};
    }
    return BytesToWide(bytes, qstrlen(bytes), CP_ANSI);
}

bool IsUtf8Text(const char* bytes, qsizetype count) {
    if (bytes == nullptr || count <= 0) {
        return false;
    }
    int expected = 0;  // continuation bytes still due
    bool sawHighByte = false;
    for (qsizetype i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80) {
            sawHighByte = true;
        }
        if (expected > 0) {
            if (b < 0x80 || b > 0xBF) {
                return false;
            }
            --expected;
            continue;
        }
        if (b < 0x80) {
            continue;
        }
        if (b <= 0xBF) {
            return false;  // a continuation byte where a lead byte is due
        }
        if (b <= 0xDF) {
            expected = 1;
        } else if (b <= 0xEF) {
            expected = 2;
        } else if (b <= 0xF7) {
            expected = 3;
        } else if (b == 0xFC || b == 0xFD) {
            expected = 5;
        } else {
            expected = 4;  // 0xF8..0xFB and 0xFE..0xFF
        }
    }
    return expected == 0 && sawHighByte;
}

QByteArray PercentDecodeBytes(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '%') {
            out += c;
            continue;
        }
        const int high = i + 1 < n ? HexValue(bytes[i + 1]) : -1;
        const int low = i + 2 < n ? HexValue(bytes[i + 2]) : -1;
        if (high < 0 || low < 0) {
            break;  // a "%" without two hex digits ends the decoding
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

QString UrlUnescape(const QString& text, bool asUtf8) {
    // The whole input is decoded: no fixed buffer, so long addresses are neither cut nor overrun.
    const QByteArray decoded = PercentDecodeBytes(WideToGbk(text));
    return BytesToWide(decoded, asUtf8 ? CP_UTF8 : CP_GBK);
}
