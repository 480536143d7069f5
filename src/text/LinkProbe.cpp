#include "text/LinkProbe.h"

#include "platform/AlertPresenter.h"
#include "text/TextClick.h"

#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

LinkProbe::LinkProbe(QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{
}

LinkProbe::~LinkProbe()
{
    dropReply();
    restoreCursor();
}

QNetworkRequest LinkProbe::createRequestWithURL(const QUrl &url, int timeout)
{
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeout);
    return request;
}

bool LinkProbe::isImageContentType(const QString &contentType)
{
    return contentType.contains(QLatin1String("image"), Qt::CaseInsensitive);
}

void LinkProbe::probe(const QUrl &url)
{
    dropReply();
    m_url = url;
    m_bitchingAllowed = true;
    pushCursor();
    if (!m_manager || !url.isValid()) {
        qWarning().noquote() << "Cannot probe link" << url.toDisplayString();
        // Reported from the event loop, as a failed load would be.
        QTimer::singleShot(0, this, [this, url] {
            if (m_url == url && !isProbing() && m_bitchingAllowed)
                fail();
        });
        return;
    }
    QNetworkReply *reply = m_manager->get(createRequestWithURL(url, m_timeout));
    m_reply = reply;
    connect(
        reply, &QNetworkReply::metaDataChanged, this, [this, reply] { onMetaDataChanged(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

void LinkProbe::onMetaDataChanged(QNetworkReply *reply)
{
    if (reply != m_reply)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A redirect is followed; the answer at its end decides.
    if (status >= 300 && status < 400 && reply->hasRawHeader("Location"))
        return;
    decide(reply->header(QNetworkRequest::ContentTypeHeader).toString());
}

void LinkProbe::onFinished(QNetworkReply *reply)
{
    if (reply != m_reply)
        return;
    if (reply->error() == QNetworkReply::NoError) {
        decide(reply->header(QNetworkRequest::ContentTypeHeader).toString());
        return;
    }
    qInfo().noquote() << "Link probe failed:" << m_url.toDisplayString() << reply->errorString();
    fail();
}

void LinkProbe::decide(const QString &contentType)
{
    const QUrl url = m_url;
    m_bitchingAllowed = false;
    dropReply();
    restoreCursor();
    if (isImageContentType(contentType)) {
        Q_EMIT imageLinkFound(url);
    } else {
        TextClick::openLink(url);
        Q_EMIT openedInBrowser(url);
    }
}

void LinkProbe::fail()
{
    const QUrl url = m_url;
    dropReply();
    QTimer::singleShot(arrowDelayMs, this, [this] {
        if (!isProbing())
            restoreCursor();
    });
    if (!m_bitchingAllowed)
        return;
    // Cleared before the alert: its event loop may deliver another failure.
    m_bitchingAllowed = false;
    Q_EMIT failed(url);
    alerts::error(QStringLiteral("Could not open link or load the resource."));
}

void LinkProbe::dropReply()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
}

void LinkProbe::pushCursor()
{
    if (m_cursorPushed || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    m_cursorPushed = true;
}

void LinkProbe::restoreCursor()
{
    if (!m_cursorPushed)
        return;
    m_cursorPushed = false;
    QGuiApplication::restoreOverrideCursor();
}
