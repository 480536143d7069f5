#pragma once

#include "data/Store.h"
#include "data/Tokens.h"
#include "http/Faults.h"
#include "http/HttpMessage.h"
#include "http/Router.h"
#include "media/Pictures.h"

#include <QFuture>
#include <QObject>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <optional>

namespace sandbox {

struct ServiceOptions {
    quint64 seed = 1;
    QString stateFile; // empty: the state lives in memory only
    bool demo = false; // a new mention of the demo user now and then
    int demoMentionIntervalMs = 60000;
    qsizetype maxBodyBytes = 4 * 1024 * 1024; // larger bodies are answered 413
    int requestLogSize = 500;
    int latencyMs = 0; // every answer but the control routes' waits this long...
    int latencyJitterMs = 0; // ...plus up to this much more, drawn anew each time
};

// The wait that makes the sandbox play a distant service.
struct Latency {
    static constexpr int kMaxMs = 60000;
    int ms = 0;
    int jitterMs = 0;
};

// What the other hosts keep besides the stream API's store.
struct HostState {
    // Image host: file name -> bytes. Like the real host, it drops the oldest
    // images when they take more than kMaxUploadBytes.
    static constexpr qsizetype kMaxUploadBytes = 64 * 1024 * 1024;
    void addUpload(const QString &name, const QByteArray &data);
    QHash<QString, QByteArray> uploads;
    QStringList uploadOrder; // oldest first
    QHash<QString, QString> shortLinks; // shortener: code -> target URL
    QHash<QString, QString> shortCodes; // shortener: target URL -> code
    QString latestVersion = QStringLiteral("0.2.0"); // maker site; empty: the description has none
    QString releaseNotes;
};

// The whole service behind one address: the stream API under "/stream/0",
// the account site, the shortener, the image host, the maker's site, the
// avatars, and the control endpoints under "/_sandbox". Everything runs on the
// thread that owns the object; `handle` answers one request from the current
// state. The HTTP server applies faults (`planFor`) around it.
class SandboxService : public QObject {
    Q_OBJECT
public:
    explicit SandboxService(ServiceOptions options = {}, QObject *parent = nullptr);
    ~SandboxService() override;

    // Seeds the world for a service reachable at `baseUrl` (no trailing "/"),
    // or loads the state file when there is one. A state file that cannot be
    // read as a saved state is moved aside to "<file>.unreadable" and the seed
    // is used; `message` then says so.
    void start(const QString &baseUrl, QString *message = nullptr);
    QString baseUrl() const { return m_baseUrl; }
    const ServiceOptions &options() const { return m_options; }

    // What the server does with a request besides answering it: the first
    // matching fault (a generated page made into its answer) and the latency.
    FaultPlan planFor(const HttpRequest &request);
    // Slow work a request needs before `handle` can answer it at once (drawing
    // a picture not made yet), started on a worker thread; nothing when there
    // is none. The server answers when it has finished, serving others meanwhile.
    std::optional<QFuture<void>> prepare(const HttpRequest &request);
    HttpResponse handle(const HttpRequest &request);
    // Adds a served request to the log that GET /_sandbox/requests shows
    // (control requests are left out). Status 0: the connection was dropped.
    void record(const HttpRequest &request, int status);

    // Back to the seeded world: posts, users, relations, uploads and short
    // links as at start, issued tokens, faults and the request log cleared,
    // the latency as the options set it.
    void reset();
    // A new post mentioning the demo user, from `author` (0: a seeded user
    // picked at random) with `text` (empty: a generated one).
    const Post &addDemoMention(Id author = 0, const QString &text = {});
    // `count` of them at once; their ids, oldest first.
    QList<Id> addDemoMentions(int count, Id author = 0, const QString &text = {});

    Latency latency() const { return m_latency; }
    void setLatency(Latency latency) { m_latency = latency; }

    bool saveState(QString *error = nullptr) const;
    QJsonObject stateJson() const;

    Store &store() { return m_store; }
    const Store &store() const { return m_store; }
    TokenTable &tokens() { return m_tokens; }
    FaultTable &faults() { return m_faults; }
    PictureCache &pictures() { return m_pictures; }
    HostState &hosts() { return m_hosts; }
    QJsonArray requestLog() const;
    void clearRequestLog();

    QDateTime now() const;
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Called by routes after they changed state, so the state file follows.
    void noteChanged();

Q_SIGNALS:
    void stateChanged();

private:
    void seedWorld();
    bool loadState(QString *error);
    void makeHostileAnswer(FaultPlan &plan, const HttpRequest &request);
    int drawLatencyMs();

    ServiceOptions m_options;
    QString m_baseUrl;
    QDateTime m_anchor;
    Store m_store;
    TokenTable m_tokens;
    FaultTable m_faults;
    PictureCache m_pictures;
    QThreadPool m_drawing; // after m_pictures: its end waits for drawings that use them
    HostState m_hosts;
    QList<QJsonObject> m_requestLog;
    Router m_api;
    Router m_site;
    Router m_control;
    QRandomGenerator m_rng;
    Latency m_latency;
    QHash<qint64, QFuture<QByteArray>> m_hugePages; // by size: made once, shared by every answer
    QTimer m_saveTimer;
    QTimer m_mentionTimer;
    std::function<QDateTime()> m_clock;
};

} // namespace sandbox
