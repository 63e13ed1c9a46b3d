#include "net/CookieShare.h"

#include <curl/curl.h>

#include <QFile>
#include <QSaveFile>

#include "net/NetscapeCookie.h"
#include "net/NetworkThread.h"

namespace {

// The cookie file; used on the network thread only.
QString& CookieFilePath() {
    static QString path;
    return path;
}

QList<QByteArray> CookieLines(NetworkThread& net) {
    QList<QByteArray> lines;
    curl_slist* list = nullptr;
    curl_easy_getinfo(net.CookieHandle(), CURLINFO_COOKIELIST, &list);
    for (curl_slist* item = list; item != nullptr; item = item->next) {
        lines.append(QByteArray(item->data));
    }
    curl_slist_free_all(list);
    return lines;
}

// Hands one Netscape line (or a command such as "ALL") to the cookie engine.
void AddCookieLine(NetworkThread& net, const QByteArray& line) {
    curl_easy_setopt(net.CookieHandle(), CURLOPT_COOKIELIST, line.constData());
}

bool WriteCookieFile(const QString& path, const QList<QByteArray>& lines) {
    QSaveFile file(path);  // a temporary file renamed into place
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray text = "# Netscape HTTP Cookie File\n\n";
    for (const QByteArray& line : lines) {
        text += line + '\n';
    }
    return file.write(text) == text.size() && file.commit();
}

}  // namespace

namespace CookieShare {

void SetCookieFile(const QString& path) {
    QFile file(path);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] {
        CookieFilePath() = path;
        // The path is held by value: the hook runs at exit, after other statics may be gone.
        net.SetExitHook([path, &net] { WriteCookieFile(path, CookieLines(net)); });
        for (QByteArray line : content.split('\n')) {
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            if (FromNetscapeLine(line)) {
                AddCookieLine(net, line);
            }
        }
    });
}

bool SaveCookies() {
    QString path;
    QList<QByteArray> lines;
    NetworkThread& net = NetworkThread::Instance();
    const bool ran = net.RunAndWait([&] {
        path = CookieFilePath();
        lines = CookieLines(net);
    });
    return ran && !path.isEmpty() && WriteCookieFile(path, lines);
}

void SetCookie(const StoredCookie& cookie) {
    const QByteArray line = ToNetscapeLine(cookie);
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] { AddCookieLine(net, line); });
}

void DeleteCookie(const StoredCookie& cookie) {
    // The cookie engine has no single-cookie removal: the store is rebuilt without it.
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] {
        const QList<QByteArray> lines = CookieLines(net);
        AddCookieLine(net, "ALL");
        for (const QByteArray& line : lines) {
            const std::optional<StoredCookie> stored = FromNetscapeLine(line);
            if (stored && !SameCookie(*stored, cookie)) {
                AddCookieLine(net, line);
            }
        }
    });
}

QList<StoredCookie> AllCookies() {
    QList<QByteArray> lines;
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] { lines = CookieLines(net); });
    QList<StoredCookie> cookies;
    for (const QByteArray& line : lines) {
        if (std::optional<StoredCookie> cookie = FromNetscapeLine(line)) {
            cookies.append(*cookie);
        }
    }
    return cookies;
}

void ClearCookies() {
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] { AddCookieLine(net, "ALL"); });
}

}  // namespace CookieShare
