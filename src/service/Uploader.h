#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkReply;

// One image sent to the image host as a multipart form upload. The answer
// counts as success when a piece of it, as it arrives, begins with "YES".
class Uploader : public QObject {
    Q_OBJECT
public:
    static constexpr char boundary[] = "0xKhTmLbOuNdArY";

    // Starts at once. `fileName` is what the host is told the file is called.
    Uploader(const QUrl &serverURL, const QString &filePath, const QString &fileName,
        QObject *parent = nullptr);

    const QString &filePath() const { return m_filePath; }

    // The body: the boundary, the "uploaded" field with the file name, the
    // bytes, the closing boundary; no per-part content type.
    static QByteArray multipartBody(const QString &fileName, const QByteArray &data);
    // Whether a piece of the host's answer, as it arrives, says the picture was stored.
    static bool answerSaysStored(QByteArrayView piece) { return piece.startsWith("YES"); }

Q_SIGNALS:
    void finished(bool succeeded);

private:
    void upload(const QUrl &serverURL, const QString &fileName);
    void report(bool succeeded);

    QString m_filePath;
    QPointer<QNetworkReply> m_reply;
    bool m_uploadDidSucceed = false;
    bool m_reported = false;
};
