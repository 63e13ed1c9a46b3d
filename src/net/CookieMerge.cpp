#include "net/CookieMerge.h"

#include "net/NetscapeCookie.h"

#include <QHash>

#include <vector>

namespace {

QByteArray CookieKey(const StoredCookie& cookie) {
    const QByteArray domain = cookie.domain.startsWith('.') ? cookie.domain.mid(1) : cookie.domain;
    return domain.toLower() + '\t' + cookie.path + '\t' + cookie.name;
}

// The cookies of the lines by key, in the order of their first appearance; a later line with the
// same key wins.
struct Cookies {
    std::vector<QByteArray> order;
    QHash<QByteArray, QByteArray> lines;

    explicit Cookies(const QList<QByteArray>& text) {
        for (QByteArray line : text) {
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            const std::optional<StoredCookie> cookie = FromNetscapeLine(line);
            if (!cookie) {
                continue;
            }
            const QByteArray key = CookieKey(*cookie);
            if (!lines.contains(key)) {
                order.push_back(key);
            }
            lines.insert(key, ToNetscapeLine(*cookie));
        }
    }
};

}  // namespace

QList<QByteArray> MergeCookieLines(const QList<QByteArray>& disk, const QList<QByteArray>& baseline,
                                   const QList<QByteArray>& current) {
    Cookies merged(disk);
    const Cookies before(baseline);
    const Cookies now(current);
    for (const QByteArray& key : now.order) {
        const QByteArray& line = now.lines[key];
        if (before.lines.value(key) != line) {
            if (!merged.lines.contains(key)) {
                merged.order.push_back(key);
            }
            merged.lines.insert(key, line);
        }
    }
    for (const QByteArray& key : before.order) {
        if (!now.lines.contains(key)) {
            merged.lines.remove(key);
        }
    }
    QList<QByteArray> result;
    for (const QByteArray& key : merged.order) {
        if (merged.lines.contains(key)) {
            result.append(merged.lines.value(key));
        }
    }
    return result;
}
