#include "net/CookieShare.h"

#include <curl/curl.h>

#include <QFile>
#include <QSaveFile>

#include "net/CookieMerge.h"
#include "net/FileLock.h"
#include "net/NetscapeCookie.h"
#include "net/NetworkThread.h"

namespace {

// The cookie file, and its cookies as this process last read or wrote them (the baseline its
// changes are told from); used on the network thread only.
QString& CookieFilePath() {
    static QString path;
    return path;
}
QList<QByteArray>& Baseline() {
    static QList<QByteArray> lines;
    return lines;
}

// The lock file of the cookie file: hidden, beside it.
QString LockFileOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return path.left(slash + 1) + QLatin1Char('.') + path.mid(slash + 1) + QStringLiteral(".lock");
}

QList<QByteArray> ReadCookieFile(const QString& path) {
    QFile file(path);
    QList<QByteArray> lines;
    if (file.open(QIODevice::ReadOnly)) {
        for (QByteArray line : file.readAll().split('\n')) {
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            lines.append(line);
        }
    }
    return lines;
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
    // Logins are secrets: only the user may read the file.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray text = "# Netscape HTTP Cookie File\n\n";
    for (const QByteArray& line : lines) {
        text += line + '\n';
    }
    return file.write(text) == text.size() && file.commit();
}

// On the network thread: this process's changes merged into the file as it is now (under the
// file's lock), and the other processes' cookies taken into the store.
bool MergeIntoCookieFile(NetworkThread& net, const QString& path) {
    const FileLock lock = FileLock::Exclusive(LockFileOf(path));
    const QList<QByteArray> current = CookieLines(net);
    const QList<QByteArray> merged = MergeCookieLines(ReadCookieFile(path), Baseline(), current);
    if (!WriteCookieFile(path, merged)) {
        return false;
    }
    Baseline() = merged;
    // The store becomes the file: the other processes' cookies join it, and the ones they
    // removed leave it, so a later save cannot bring them back.
    AddCookieLine(net, "ALL");
    for (const QByteArray& line : merged) {
        AddCookieLine(net, line);
    }
    return true;
}

}  // namespace

namespace CookieShare {

void SetCookieFile(const QString& path) {
    const QList<QByteArray> content = ReadCookieFile(path);
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] {
        CookieFilePath() = path;
        // The path is held by value: the hook runs at exit, after other statics may be gone.
        net.SetExitHook([path, &net] { MergeIntoCookieFile(net, path); });
        for (const QByteArray& line : content) {
            if (FromNetscapeLine(line)) {
                AddCookieLine(net, line);
            }
        }
        // The file as read: what the store holds beyond it is this process's to save.
        Baseline() = content;
    });
}

bool SaveCookies() {
    bool saved = false;
    NetworkThread& net = NetworkThread::Instance();
    net.RunAndWait([&] {
        const QString path = CookieFilePath();
        saved = !path.isEmpty() && MergeIntoCookieFile(net, path);
    });
    return saved;
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
