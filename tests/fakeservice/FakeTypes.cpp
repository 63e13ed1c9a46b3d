#include "fakeservice/FakeTypes.h"

#include <QByteArrayList>

QByteArray FakeRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QByteArray FakeRequest::cookie(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const QByteArray& pair : value.split(';')) {
            const QByteArray trimmed = pair.trimmed();
            if (trimmed.startsWith(name) && trimmed.size() > name.size() &&
                trimmed[name.size()] == '=') {
                return trimmed.mid(name.size() + 1);
            }
        }
    }
    return {};
}

void FakeReply::setHeader(const QByteArray& name, const QByteArray& value) {
    for (auto& [key, old] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            old = value;
            return;
        }
    }
    headers.emplace_back(name, value);
}
