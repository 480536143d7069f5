#include "service/ApiClient.h"

#include "core/OutsideAddresses.h"
#include "platform/AlertPresenter.h"
#include "service/Network.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

namespace {

void reportFailure(const EndpointInfo &info, const ApiResult &result)
{
    if (info.failureLog) {
        qCWarning(lcService).noquote() << QString::fromLatin1(info.failureLog).arg(result.status);
    }
    if (!result.errorString.isEmpty())
        qCDebug(lcService).noquote() << info.method << info.path << result.errorString;
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

    QObject::connect(reply, &QNetworkReply::finished, context ? context : reply,
        [reply, owned, owner, &info, completion = std::move(completion)] {
            reply->deleteLater();
            if (owned && !owner)
                return;
            const ApiResult result = resultOf(reply);
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

ApiResult ApiClient::resultOf(QNetworkReply *reply)
{
    ApiResult result;
    const QNetworkReply::NetworkError error = reply->error();
    if (!Network::isTransportFailure(error))
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (error != QNetworkReply::NoError)
        result.errorString = reply->errorString();
    if (reply->isOpen())
        result.body = reply->readAll();
    if (result.succeeded()) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(result.body, &parseError);
        if (document.isArray())
            result.json = document.array();
        else if (document.isObject())
            result.json = document.object();
        else
            qCDebug(lcService).noquote() << "answer is not JSON:" << parseError.errorString();
    }
    return result;
}
