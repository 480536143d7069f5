#pragma once

#include "service/Endpoints.h"
#include "service/RequestBuilding.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;

// One API operation: which endpoint, the id or name its path carries, the
// query parameters (endpoints that take none drop them) and the form body
// (the new post only).
struct ApiCall {
    Endpoint endpoint;
    QString pathValue;
    QueryParameters query;
    QByteArray body;
    // A main stream's load: when the network or the service is down, its
    // caller says so in a notice instead of the alert.
    bool alertWhenUnreachable = true;

    ApiCall(
        Endpoint endpoint, QString pathValue = {}, QueryParameters query = {}, QByteArray body = {})
        : endpoint(endpoint)
        , pathValue(std::move(pathValue))
        , query(std::move(query))
        , body(std::move(body))
    {
    }

    static ApiCall newPost(const QString &text, const QString &replyToId = {})
    {
        return { Endpoint::NewPost, {}, {}, newPostBody(text, replyToId) };
    }
};

// What came back. Only status 200 with an answer of the expected shape is
// success; 201, 204, every other status, an answer that is not the JSON the
// operation expects and one larger than the client reads fail like a
// missing response.
struct ApiResult {
    // The HTTP status; 0 when no complete response arrived (refused, dropped
    // connection, time-out, a redirect to another host).
    int status = 0;
    // The parsed body on success; undefined when the body is not JSON (the
    // consumer then sees an empty result) or the request failed.
    QJsonValue json;
    // The body as it came, for diagnostics.
    QByteArray body;
    // Qt's description of the failure, for the log; empty on success.
    QString errorString;
    // A 200 whose answer was not what the operation expects (not JSON, the
    // wrong root, too large).
    bool malformed = false;

    bool succeeded() const { return status == 200 && !malformed; }
    // No answer came (no network, refused, timed out) or the service failed
    // on its side (5xx): nothing the request itself did wrong.
    bool unreachable() const { return (status == 0 && !malformed) || status >= 500; }
    bool hasJson() const { return json.isArray() || json.isObject(); }
    // The root as an array or object; empty when it has the other shape or
    // there is none, so a stream that answers an object shows no posts.
    QJsonArray jsonArray() const { return json.toArray(); }
    QJsonObject jsonObject() const { return json.toObject(); }
};

// Sends API requests for one signed-in user. Every operation is one call:
//
//     api.send({Endpoint::StarPost, postId}, this, [this](const ApiResult &r) {
//         stopProgress();
//         if (r.succeeded()) markStarred();
//     });
//
// The request is built from the endpoint table with the two headers and sent
// asynchronously on the main thread's network manager; the completion runs on
// the main thread. On failure the client writes the operation's log line and
// shows its "Error!" alert (before or after the completion, as the table says)
// and then calls the completion anyway, with the status, so the caller can
// clean up. When `context` is destroyed first, the request is aborted and
// neither completion nor alert happens. The client holds no reply state, so
// a caller may copy it freely. A form body is sent once: when the connection
// breaks before an answer, the request fails rather than being sent again,
// so a new post is never made twice.
class ApiClient {
public:
    using Completion = std::function<void(const ApiResult &)>;

    // The API base defaults to the configured outside address.
    explicit ApiClient(QString accessToken = {}, QString apiBase = {});

    const QString &accessToken() const { return m_accessToken; }
    void setAccessToken(const QString &token) { m_accessToken = token; }
    const QString &apiBase() const { return m_apiBase; }
    void setApiBase(const QString &base) { m_apiBase = base; }
    std::chrono::milliseconds transferTimeout() const { return m_transferTimeout; }
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }
    // The whole exchange ends by this time, however the bytes trickle in.
    std::chrono::milliseconds deadline() const { return m_deadline; }
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }
    // An answer larger than this is refused unread (a page of 200 posts is
    // well under a megabyte).
    static constexpr qint64 maximumAnswerBytes = 8 * 1024 * 1024;
    // Network::manager() unless set.
    void setNetworkManager(QNetworkAccessManager *manager) { m_manager = manager; }

    QUrl urlFor(const ApiCall &call) const;
    QNetworkRequest requestFor(const ApiCall &call) const;

    // Main thread only. `context` may be null (the completion then always runs).
    void send(const ApiCall &call, QObject *context, Completion completion) const;

    // What a finished reply amounts to; exposed for the other senders of the
    // program that judge replies the same way.
    static ApiResult resultOf(QNetworkReply *reply, Endpoint endpoint);

private:
    QString m_accessToken;
    QString m_apiBase;
    std::chrono::milliseconds m_transferTimeout = defaultApiTransferTimeout;
    std::chrono::milliseconds m_deadline { 60000 };
    QNetworkAccessManager *m_manager = nullptr;
};
