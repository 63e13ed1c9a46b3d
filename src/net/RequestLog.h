#pragma once
// What a front end may be told about every request (the terminal's --verbose): the request line
// and headers as they went out, and the outcome.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

struct RequestRecord {
    QString url;                    // as requested (redirects are followed inside)
    QList<QByteArray> headerLines;  // the request header lines as sent, the last request's
    int status = 0;                 // the final answer's status; 0 when none arrived
    qint64 bytes = 0;               // body bytes this exchange brought (a resumed picture's rest)
    QString error;                  // why it failed; empty after success
    qint64 milliseconds = 0;
};

using RequestLogger = std::function<void(const RequestRecord& record)>;

// Installs what every finished request is reported to (on the network thread; it must return
// quickly); an empty logger removes it.
void SetRequestLogger(RequestLogger logger);
// The installed logger; used on the network thread only.
const RequestLogger& CurrentRequestLogger();
