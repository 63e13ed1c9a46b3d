#include "net/RequestUrl.h"

namespace {

// Position where the path, query or fragment begins, after "scheme://authority".
qsizetype PathStart(const QByteArray& url) {
    const qsizetype scheme = url.indexOf("://");
    if (scheme < 0) {
        return 0;
    }
    for (qsizetype i = scheme + 3; i < url.size(); ++i) {
        const char c = url[i];
        if (c == '/' || c == '?' || c == '#') {
            return i;
        }
    }
    return url.size();
}

bool NeedsEncoding(unsigned char c) {
    return c <= 0x20 || c >= 0x7F;
}

}  // namespace

QByteArray EncodeRequestUrl(const QString& url) {
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray utf8 = url.toUtf8();
    const qsizetype pathStart = PathStart(utf8);
    QByteArray out = utf8.left(pathStart);
    out.reserve(utf8.size() + 16);
    for (qsizetype i = pathStart; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (NeedsEncoding(c)) {
            out.append('%');
            out.append(kHex[c >> 4]);
            out.append(kHex[c & 0x0F]);
        } else {
            out.append(static_cast<char>(c));
        }
    }
    return out;
}
