#include "net/NetscapeCookie.h"

#include <QList>

namespace {

constexpr char kHttpOnlyPrefix[] = "#HttpOnly_";

QByteArray Flag(bool on) {
    return on ? QByteArray("TRUE") : QByteArray("FALSE");
}

QByteArray BareDomain(const QByteArray& domain) {
    return (domain.startsWith('.') ? domain.mid(1) : domain).toLower();
}

}  // namespace

QByteArray ToNetscapeLine(const StoredCookie& cookie) {
    QByteArray line;
    if (cookie.httpOnly) {
        line += kHttpOnlyPrefix;
    }
    line += cookie.domain + '\t' + Flag(cookie.includeSubdomains) + '\t' +
            (cookie.path.isEmpty() ? QByteArray("/") : cookie.path) + '\t' + Flag(cookie.secure) +
            '\t' + QByteArray::number(cookie.expires) + '\t' + cookie.name + '\t' + cookie.value;
    return line;
}

std::optional<StoredCookie> FromNetscapeLine(QByteArray line) {
    while (line.endsWith('\r') || line.endsWith('\n')) {
        line.chop(1);
    }
    StoredCookie cookie;
    if (line.startsWith(kHttpOnlyPrefix)) {
        cookie.httpOnly = true;
        line.remove(0, qstrlen(kHttpOnlyPrefix));
    }
    if (line.isEmpty() || line.startsWith('#')) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() < 6 || fields[0].isEmpty() || fields[5].isEmpty()) {
        return std::nullopt;
    }
    cookie.domain = fields[0];
    cookie.includeSubdomains = fields[1].toUpper() == "TRUE";
    // An empty path is the root path, as the line is written back and as the engine sends it:
    // one cookie must have one key however its line spells the path.
    cookie.path = fields[2].isEmpty() ? QByteArray("/") : fields[2];
    cookie.secure = fields[3].toUpper() == "TRUE";
    cookie.expires = fields[4].toLongLong();
    cookie.name = fields[5];
    cookie.value = fields.size() > 6 ? fields[6] : QByteArray();
    return cookie;
}

bool SameCookie(const StoredCookie& a, const StoredCookie& b) {
    return a.name == b.name && a.path == b.path && BareDomain(a.domain) == BareDomain(b.domain);
}
