#include "service/ApiClient.h"

#include "core/OutsideAddresses.h"
#include "platform/AlertPresenter.h"
#include "service/Network.h"
#include "service/SignIn.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

constexpr const char *endedByDeadline = "veltoEndedByDeadline";
constexpr const char *refusedAsTooLarge = "veltoRefusedAsTooLarge";

bool hasText(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    return (value.isString() && !value.toString().isEmpty()) || value.isDouble();
}

// A post or a user can be shown and acted on only with its id; a user is
// named by its user name. A page is usable when it is empty (nothing new)
// or has one such record.
bool holdsSomethingUsable(AnswerShape shape, const QJsonValue &json)
{
    if (shape == AnswerShape::UserRecord)
        return hasText(json.toObject(), QLatin1StringView("id"))
            && hasText(json.toObject(), QLatin1StringView("username"));
    const QJsonArray page = json.toArray();
    return page.isEmpty() || std::any_of(page.begin(), page.end(), [](const QJsonValue &record) {
        return hasText(record.toObject(), QLatin1StringView("id"));
    });
}

// A body that can be read once. Qt sends a request again when the connection
// breaks before any answer came; for a new post that could make the same post
// twice, so with this body a second sending fails the request instead.
class OneShotBody : public QIODevice {
public:
    explicit OneShotBody(QByteArray data)
        : m_data(std::move(data))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    // Qt rewinds the body before sending it again; refusing is the point.
    bool seek(qint64) override { return false; }
    qint64 bytesAvailable() const override
    {
        return m_data.size() - m_read + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min<qint64>(maxSize, m_data.size() - m_read);
        if (count <= 0)
            return -1;
        std::memcpy(data, m_data.constData() + m_read, size_t(count));
        m_read += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_read = 0;
};

void reportFailure(const EndpointInfo &info, const ApiResult &result)
{
    if (info.failureLog) {
        qCWarning(lcService).noquote() << QString::fromLatin1(info.failureLog).arg(result.status);
    }
    // One line for every failure, so a failing service never goes unseen.
    qCWarning(lcService).noquote()
        << info.method << info.path << "status" << result.status << result.errorString;
}

} // namespace

ApiClient::ApiClient(QString accessToken, QString apiBase)
    : m_accessToken(std::move(accessToken))
    , m_apiBase(apiBase.isEmpty() ? OutsideAddresses::current().apiBase : std::move(apiBase))
{
}

QUrl ApiClient::urlFor(const ApiCall &call) const
{
    return endpointUrl(m_apiBase, call.endpoint, call.pathValue, call.query);
}

QNetworkRequest ApiClient::requestFor(const ApiCall &call) const
{
    return apiRequest(urlFor(call), m_accessToken, m_transferTimeout);
}

void ApiClient::send(const ApiCall &call, QObject *context, Completion completion) const
{
    const EndpointInfo &info = endpointInfo(call.endpoint);
    QNetworkAccessManager &manager = m_manager ? *m_manager : Network::manager();
    QNetworkRequest request = requestFor(call);

    QNetworkReply *reply = nullptr;
    const QByteArray method = info.methodName();
    if (method == "GET") {
        reply = manager.get(request);
    } else if (method == "POST" && info.payload == Payload::FormBody) {
        request.setHeader(QNetworkRequest::ContentLengthHeader, call.body.size());
        request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        auto *body = new OneShotBody(call.body);
        reply = manager.post(request, body);
        body->setParent(reply);
    } else if (method == "POST") {
        reply = manager.post(request, QByteArray());
    } else {
        reply = manager.sendCustomRequest(request, method);
    }

    const bool owned = context != nullptr;
    QPointer<QObject> owner(context);
    Network::abortWhenDestroyed(context, reply);
    // The transfer time-out only notices a silent service; a trickle of bytes
    // would keep the load (and every load after it) waiting for ever.
    QTimer::singleShot(m_deadline, reply, [reply] {
        if (reply->isRunning()) {
            reply->setProperty(endedByDeadline, true);
            reply->abort();
        }
    });
    QObject::connect(
        reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > maximumAnswerBytes && reply->isRunning()) {
                reply->setProperty(refusedAsTooLarge, true);
                reply->abort();
            }
        });

    QObject::connect(reply, &QNetworkReply::finished, context ? context : reply,
        [reply, owned, owner, &info, endpoint = call.endpoint,
            alertWhenUnreachable = call.alertWhenUnreachable, completion = std::move(completion)] {
            reply->deleteLater();
            if (owned && !owner)
                return;
            const ApiResult result = resultOf(reply, endpoint);
            const auto finish = [&] {
                if (completion && (!owned || owner))
                    completion(result);
            };
            if (result.succeeded()) {
                finish();
                return;
            }
            reportFailure(info, result);
            if (result.status == 401) {
                // Every request would be refused the same way: the user is
                // asked to sign in again instead of told this one failed.
                finish();
                SignIn::signInNoLongerValid();
            } else if (!info.showsAlert() || (!alertWhenUnreachable && result.unreachable())) {
                finish();
            } else if (info.alertOrder == AlertOrder::AlertThenCompletion) {
                alerts::error(info.alertMessage());
                finish();
            } else {
                finish();
                alerts::error(info.alertMessage());
            }
        });
}

ApiResult ApiClient::resultOf(QNetworkReply *reply, Endpoint endpoint)
{
    ApiResult result;
    const QNetworkReply::NetworkError error = reply->error();
    if (!Network::isTransportFailure(error))
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (error != QNetworkReply::NoError)
        result.errorString = reply->errorString();
    if (reply->property(endedByDeadline).toBool())
        result.errorString = QStringLiteral("no whole answer within the deadline");
    // A fast service can deliver the whole answer before the progress signal
    // is seen, so the size is checked again here.
    if (reply->property(refusedAsTooLarge).toBool()
        || reply->bytesAvailable() > maximumAnswerBytes) {
        result.malformed = true;
        result.errorString = QStringLiteral("answer larger than %1 bytes").arg(maximumAnswerBytes);
        return result;
    }
    if (reply->isOpen())
        result.body = reply->readAll();
    if (result.status != 200)
        return result;

    const AnswerShape shape = expectedAnswer(endpoint);
    if (shape == AnswerShape::Unread)
        return result;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(result.body, &parseError);
    const bool wantsObject = shape == AnswerShape::UserRecord;
    if (document.isArray() && !wantsObject)
        result.json = document.array();
    else if (document.isObject() && wantsObject)
        result.json = document.object();
    if (!result.hasJson()) {
        result.malformed = true;
        result.errorString = document.isNull()
            ? QStringLiteral("answer is not JSON: %1").arg(parseError.errorString())
            : QStringLiteral("answer is JSON of the wrong shape");
    } else if (!holdsSomethingUsable(shape, result.json)) {
        // Taken as it is, such an answer would empty the list or open an
        // empty panel without a word.
        result.malformed = true;
        result.errorString = wantsObject ? QStringLiteral("answer is a user without id or name")
                                         : QStringLiteral("answer holds nothing readable");
    }
    return result;
}
