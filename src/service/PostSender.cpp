#include "service/PostSender.h"

#include "platform/AlertPresenter.h"
#include "service/ApiClient.h"
#include "service/Network.h"

PostSender::PostSender(const ApiClient *api, QObject *parent)
    : QObject(parent)
    , m_api(api)
{
}

bool PostSender::send(const QString &text, const QString &replyTo)
{
    if (m_sending || text.isEmpty() || !m_api)
        return false;
    m_sending = true;
    ApiCall call = ApiCall::newPost(text, replyTo);
    // Without a network the alert also says that nothing written is lost.
    call.alertWhenUnreachable = false;
    m_api->send(call, this, [this, text](const ApiResult &result) {
        m_sending = false;
        if (!result.succeeded()) {
            // The service's own words help more than the status alone.
            qCWarning(lcService).noquote() << "posting failed with status" << result.status
                                           << QString::fromUtf8(result.body.left(300));
        }
        Q_EMIT finished(result.succeeded(), text);
        if (result.unreachable())
            alerts::error(offlineMessage());
    });
    return true;
}

QString PostSender::offlineMessage()
{
    return QStringLiteral("Unable to post. The network or the service is down; what you wrote is "
                          "kept as a draft.");
}
