#include "service/ApiClient.h"

#include "core/OutsideAddresses.h"
#include "platform/AlertPresenter.h"
#include "service/Network.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

namespace {

constexpr const char *endedByDeadline = "veltoEndedByDeadline";
constexpr const char *refusedAsTooLarge = "veltoRefusedAsTooLarge";

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
    const QNetworkRequest request = requestFor(call);
    const QByteArray body = info.payload == Payload::FormBody ? call.body : QByteArray();

    QNetworkReply *reply = nullptr;
    const QByteArray method = info.methodName();
    if (method == "GET")
        reply = manager.get(request);
    else if (method == "POST")
        reply = manager.post(request, body);
    else
        reply = manager.sendCustomRequest(request, method);

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
        [reply, owned, owner, &info, endpoint = call.endpoint, completion = std::move(completion)] {
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
            if (!info.showsAlert()) {
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
    if (document.isArray() && shape == AnswerShape::Array)
        result.json = document.array();
    else if (document.isObject() && shape == AnswerShape::Object)
        result.json = document.object();
    else {
        result.malformed = true;
        result.errorString = document.isNull()
            ? QStringLiteral("answer is not JSON: %1").arg(parseError.errorString())
            : QStringLiteral("answer is JSON of the wrong shape");
    }
    return result;
}
