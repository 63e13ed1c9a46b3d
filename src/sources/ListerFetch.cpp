#include "sources/ListerFetch.h"

#include <limits>

UrlRequest MakePageRequest(const QString& url) {
    UrlRequest request(url, QString(), kDefaultTimeoutMs);
    request.extraHeaders = QStringLiteral("Accept-Encoding: gzip, deflate");
    return request;
}

bool FetchPageText(const UrlRequest& request, QString& text, unsigned textFlags) {
    text.clear();
    UrlResponse response;
    if (!FetchUrl(request, response, 0)) {
        return false;
    }
    response.GetText(text, textFlags);
    return true;
}

int DecimalValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<int>::max()) {
            value = std::numeric_limits<int>::max();
        }
    }
    return static_cast<int>(negative ? -value : value);
}

QString UnescapeSlashes(QString text) {
    return text.replace(QLatin1String("\\/"), QLatin1String("/"));
}
