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

QList<QByteArray> CookieLines() {
    QList<QByteArray> lines;
    curl_slist* list = nullptr;
    curl_easy_getinfo(NetworkThread::Instance().CookieHandle(), CURLINFO_COOKIELIST, &list);
    for (curl_slist* item = list; item != nullptr; item = item->next) {
        lines.append(QByteArray(item->data));
    }
    curl_slist_free_all(list);
    return lines;
}

// Hands one Netscape line (or a command such as "ALL") to the cookie engine.
void AddCookieLine(const QByteArray& line) {
    curl_easy_setopt(NetworkThread::Instance().CookieHandle(), CURLOPT_COOKIELIST,
                     line.constData());
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

void SaveAtExit() {
    if (!CookieFilePath().isEmpty()) {
        WriteCookieFile(CookieFilePath(), CookieLines());
    }
}

}  // namespace

namespace CookieShare {

void SetCookieFile(const QString& path) {
    QFile file(path);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] {
        CookieFilePath() = path;
        net.SetExitHook(&SaveAtExit);
        for (QByteArray line : content.split('\n')) {
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            if (FromNetscapeLine(line)) {
                AddCookieLine(line);
            }
        }
    });
}

bool SaveCookies() {
    QString path;
    QList<QByteArray> lines;
    const bool ran = NetworkThread::Instance().RunAndWait([&] {
        path = CookieFilePath();
        lines = CookieLines();
    });
    return ran && !path.isEmpty() && WriteCookieFile(path, lines);
}

void SetCookie(const StoredCookie& cookie) {
    const QByteArray line = ToNetscapeLine(cookie);
    NetworkThread::Instance().RunAndWait([&] { AddCookieLine(line); });
}

void DeleteCookie(const StoredCookie& cookie) {
    // The cookie engine has no single-cookie removal: the store is rebuilt without it.
    NetworkThread::Instance().RunAndWait([&] {
        const QList<QByteArray> lines = CookieLines();
        AddCookieLine("ALL");
        for (const QByteArray& line : lines) {
            const std::optional<StoredCookie> stored = FromNetscapeLine(line);
            if (stored && !SameCookie(*stored, cookie)) {
                AddCookieLine(line);
            }
        }
    });
}

QList<StoredCookie> AllCookies() {
    QList<QByteArray> lines;
    NetworkThread::Instance().RunAndWait([&] { lines = CookieLines(); });
    QList<StoredCookie> cookies;
    for (const QByteArray& line : lines) {
        if (std::optional<StoredCookie> cookie = FromNetscapeLine(line)) {
            cookies.append(*cookie);
        }
    }
    return cookies;
}

void ClearCookies() {
    NetworkThread::Instance().RunAndWait([] { AddCookieLine("ALL"); });
}

}  // namespace CookieShare
