#include "fakeservice/FakeText.h"

#include <QByteArrayList>

namespace fake {

QByteArray TargetPath(const QByteArray& target) {
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.left(question);
}

QByteArray QueryValue(const QByteArray& target, const QByteArray& key) {
    const qsizetype question = target.indexOf('?');
    if (question < 0) {
        return {};
    }
    const QList<QByteArray> pairs = target.mid(question + 1).split('&');
    for (const QByteArray& pair : pairs) {
        if (pair.startsWith(key) && pair.size() > key.size() && pair[key.size()] == '=') {
            return pair.mid(key.size() + 1);
        }
    }
    return {};
}

QString QueryText(const QByteArray& target, const QByteArray& key) {
    return DecodedText(QueryValue(target, key));
}

qint64 QueryNumber(const QByteArray& target, const QByteArray& key, qint64 fallback) {
    bool ok = false;
    const qint64 value = QueryValue(target, key).toLongLong(&ok);
    return ok ? value : fallback;
}

QString DecodedText(const QByteArray& encoded) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(encoded));
}

QByteArray JsonText(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20 || u >= 0x7F) {
            out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
        } else {
            out += static_cast<char>(u);
        }
    }
    return out;
}

QByteArray JsonUrl(const QByteArray& url) {
    QByteArray out = url;
    return out.replace("/", "\\/");
}

quint64 TextHash(const QString& text) {
    quint64 hash = 14695981039346656037ull;
    for (const QChar c : text) {
        hash = (hash ^ c.unicode()) * 1099511628211ull;
    }
    return hash;
}

}  // namespace fake
