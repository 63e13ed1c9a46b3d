#include "download/Aria2Rpc.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qsizetype kLongestMessage = 500;

QJsonArray WithSecret(const QString& secret, QJsonArray params) {
    if (!secret.isEmpty()) {
        params.prepend(QStringLiteral("token:") + secret);
    }
    return params;
}

QByteArray Envelope(const QString& method, const QJsonArray& params) {
    const QJsonObject call{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                           {QStringLiteral("id"), QStringLiteral("quorvix")},
                           {QStringLiteral("method"), method},
                           {QStringLiteral("params"), params}};
    return QJsonDocument(call).toJson(QJsonDocument::Compact);
}

// A fault's message, cut to a length that fits a line.
QString FaultText(const QJsonValue& fault) {
    const QJsonObject object = fault.toObject();
    QString message = object.value(QStringLiteral("message")).toString();
    if (message.isEmpty()) {
        message = QStringLiteral("error %1").arg(object.value(QStringLiteral("code")).toInt());
    }
    return message.left(kLongestMessage);
}

// A length as aria2 writes it (a decimal string); a daemon may send anything, so negative or
// unreadable values are 0 and a number beyond any file is cut before it is converted.
qint64 Number(const QJsonValue& value) {
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (!(number > 0)) {
            return 0;  // negative, zero or not a number
        }
        return number < 9.0e18 ? static_cast<qint64>(number) : Q_INT64_C(9000000000000000000);
    }
    bool ok = false;
    const qint64 number = value.toString().toLongLong(&ok);
    return ok && number >= 0 ? number : 0;
}

}  // namespace

QByteArray Aria2Call(const QString& method, const QString& secret, QJsonArray params) {
    return Envelope(method, WithSecret(secret, std::move(params)));
}

QByteArray Aria2Multicall(const QString& method, const QString& secret,
                          const std::vector<QJsonArray>& calls) {
    QJsonArray list;
    for (const QJsonArray& params : calls) {
        list.append(QJsonObject{{QStringLiteral("methodName"), method},
                                {QStringLiteral("params"), WithSecret(secret, params)}});
    }
    return Envelope(QStringLiteral("system.multicall"), QJsonArray{list});
}

QJsonArray Aria2AddParams(const Aria2Add& add) {
    QJsonObject options{{QStringLiteral("dir"), add.dir},
                        {QStringLiteral("out"), add.out},
                        {QStringLiteral("auto-file-renaming"), QStringLiteral("false")},
                        {QStringLiteral("allow-overwrite"), QStringLiteral("true")},
                        // An answer that is a torrent or a metalink is saved as it is, as a
                        // transfer of this program's own would; what it names is not fetched.
                        {QStringLiteral("follow-torrent"), QStringLiteral("false")},
                        {QStringLiteral("follow-metalink"), QStringLiteral("false")}};
    if (!add.userAgent.isEmpty()) {
        options.insert(QStringLiteral("user-agent"), add.userAgent);
    }
    if (!add.headers.isEmpty()) {
        options.insert(QStringLiteral("header"), QJsonArray::fromStringList(add.headers));
    }
    return QJsonArray{QJsonArray{add.uri}, options};
}

std::optional<QJsonValue> Aria2Result(const QByteArray& body, QString& error) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        error = QStringLiteral("the answer is not JSON-RPC");
        return std::nullopt;
    }
    const QJsonObject reply = document.object();
    if (reply.contains(QStringLiteral("error"))) {
        error = FaultText(reply.value(QStringLiteral("error")));
        return std::nullopt;
    }
    if (!reply.contains(QStringLiteral("result"))) {
        error = QStringLiteral("the answer holds no result");
        return std::nullopt;
    }
    return reply.value(QStringLiteral("result"));
}

std::optional<std::vector<Aria2Reply>> Aria2MulticallReplies(const QByteArray& body, int count,
                                                             QString& error) {
    const std::optional<QJsonValue> result = Aria2Result(body, error);
    if (!result) {
        return std::nullopt;
    }
    const QJsonArray list = result->toArray();
    if (!result->isArray() || list.size() != count) {
        error = QStringLiteral("the answer does not hold one result per call");
        return std::nullopt;
    }
    std::vector<Aria2Reply> replies;
    replies.reserve(static_cast<size_t>(count));
    for (const QJsonValue& entry : list) {
        Aria2Reply reply;
        // A call that worked is a list of its one value; one that failed is a fault.
        if (entry.isArray() && entry.toArray().size() == 1) {
            reply.ok = true;
            reply.value = entry.toArray().first();
        } else if (entry.isObject()) {
            reply.error = FaultText(entry);
        } else {
            reply.error = QStringLiteral("an answer that is neither a result nor a fault");
        }
        replies.push_back(std::move(reply));
    }
    return replies;
}

Aria2Status Aria2StatusOf(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    Aria2Status status;
    const QString state = object.value(QStringLiteral("status")).toString();
    static const std::pair<const char*, Aria2Status::State> kStates[] = {
        {"active", Aria2Status::Active}, {"waiting", Aria2Status::Waiting},
        {"paused", Aria2Status::Paused}, {"complete", Aria2Status::Complete},
        {"error", Aria2Status::Error},   {"removed", Aria2Status::Removed},
    };
    for (const auto& [name, known] : kStates) {
        if (state == QLatin1String(name)) {
            status.state = known;
        }
    }
    status.totalLength = Number(object.value(QStringLiteral("totalLength")));
    status.completedLength = Number(object.value(QStringLiteral("completedLength")));
    status.errorCode = object.value(QStringLiteral("errorCode")).toString().left(16);
    status.errorMessage =
        object.value(QStringLiteral("errorMessage")).toString().left(kLongestMessage);
    return status;
}

bool IsAria2Gid(const QString& text) {
    if (text.size() != 16) {
        return false;
    }
    for (const QChar c : text) {
        if (!c.isDigit() && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F')) {
            return false;
        }
    }
    return true;
}
