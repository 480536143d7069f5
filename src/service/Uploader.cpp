#include "service/Uploader.h"

#include "service/Network.h"

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

Uploader::Uploader(
    const QUrl &serverURL, const QString &filePath, const QString &fileName, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
{
    // Reported after the caller has connected to finished().
    QTimer::singleShot(0, this, [this, serverURL, fileName] { upload(serverURL, fileName); });
}

QByteArray Uploader::multipartBody(const QString &fileName, const QByteArray &data)
{
    QByteArray body;
    body += QByteArray(QByteArray("--") + boundary + "\r\n");
    body += "Content-Disposition: form-data; name=\"uploaded\"; filename=\"" + fileName.toUtf8()
        + "\"\r\n\r\n";
    body += data;
    body += QByteArray("\r\n--") + boundary + "--\r\n";
    return body;
}

void Uploader::upload(const QUrl &serverURL, const QString &fileName)
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        report(false);
        return;
    }
    const QByteArray data = file.readAll();
    if (data.isEmpty()) {
        report(true); // nothing to send
        return;
    }
    QNetworkRequest request(serverURL);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
        QByteArray(QByteArray("multipart/form-data; boundary=") + boundary));
    request.setTransferTimeout(60000);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    m_reply = Network::manager().post(request, multipartBody(fileName, data));
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        const QByteArray chunk = m_reply->readAll();
        if (answerSaysStored(chunk))
            m_uploadDidSucceed = true;
    });
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        m_reply->deleteLater();
        const QByteArray rest = m_reply->readAll();
        if (answerSaysStored(rest))
            m_uploadDidSucceed = true;
        report(m_reply->error() == QNetworkReply::NoError && m_uploadDidSucceed);
    });
}

void Uploader::report(bool succeeded)
{
    if (m_reported)
        return;
    m_reported = true;
    Q_EMIT finished(succeeded);
}
