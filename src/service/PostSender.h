#pragma once

#include <QObject>
#include <QString>

class ApiClient;

// Sends what the composer wrote to the service's posts endpoint: a new post,
// or a reply (a quote is sent as a reply to the quoted post). One send at a
// time: while one is on its way, another is refused, so one click makes one
// post. A failed send has the "Unable to post." alert from the request layer,
// shown after `finished` so that sending is allowed again first; when the
// network or the service is down it says too that the text is kept.
class PostSender : public QObject {
    Q_OBJECT
public:
    explicit PostSender(const ApiClient *api, QObject *parent = nullptr);

    bool isSending() const { return m_sending; }

    // Answers false, and sends nothing, while another send is outstanding or
    // when the text is empty. `replyTo` empty: a new post.
    bool send(const QString &text, const QString &replyTo = {});
    static QString offlineMessage();

Q_SIGNALS:
    // The service answered 200 (true), or anything else or nothing (false).
    // `text` is what was sent.
    void finished(bool succeeded, const QString &text);

private:
    const ApiClient *m_api;
    bool m_sending = false;
};
