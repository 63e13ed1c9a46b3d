#pragma once
// The JSON-RPC of an aria2 daemon as this program speaks it: the calls it sends (adding
// pictures, asking for their state, removing them) and the reading of the replies, which come
// from a daemon that may be anyone's and are checked as untrusted text.

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One picture handed to the daemon.
struct Aria2Add {
    QString uri;
    QString dir;          // absolute
    QString out;          // the file name within dir
    QStringList headers;  // "Name: value" lines, cookies included
    QString userAgent;
};

// The outcome of one call of a multicall: its value, or the daemon's message.
struct Aria2Reply {
    bool ok = false;
    QJsonValue value;
    QString error;
};

struct Aria2Status {
    enum State { Active, Waiting, Paused, Complete, Error, Removed, Unknown };
    State state = Unknown;
    qint64 totalLength = 0;
    qint64 completedLength = 0;
    QString errorCode;
    QString errorMessage;
};

// A call of one method, with the secret as its first parameter when there is one.
QByteArray Aria2Call(const QString& method, const QString& secret, QJsonArray params = {});
// One system.multicall of the method, once per parameter list (the secret goes into each).
QByteArray Aria2Multicall(const QString& method, const QString& secret,
                          const std::vector<QJsonArray>& calls);
// The parameters of aria2.addUri for a picture: aria2 keeps the name given (no renaming, an
// existing file is replaced).
QJsonArray Aria2AddParams(const Aria2Add& add);

// The result of a single call; nullopt with the daemon's message (or why the reply is none).
std::optional<QJsonValue> Aria2Result(const QByteArray& body, QString& error);
// The replies of a multicall of `count` calls, one per call in order; nullopt with the reason
// when the reply is not such a list.
std::optional<std::vector<Aria2Reply>> Aria2MulticallReplies(const QByteArray& body, int count,
                                                             QString& error);
// A tellStatus result.
Aria2Status Aria2StatusOf(const QJsonValue& value);
// A gid is 16 hexadecimal digits.
bool IsAria2Gid(const QString& text);
