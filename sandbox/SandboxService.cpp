#include "SandboxService.h"

#include "data/Seed.h"
#include "routes/HostilePages.h"
#include "routes/Routes.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimeZone>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

QString defaultReleaseNotes(const QString &version)
{
    return u"Velto %1\n\n"
           u"• Streams load faster and keep your place on refresh.\n"
           u"• Starred posts have their own place in the side bar.\n"
           u"• Mentions arrive as desktop notifications.\n\n"_s.arg(version);
}

// A state saved by a sandbox on another port names that address in its posts
// (links to the image host, application pages); they follow the sandbox.
void movePostsTo(QJsonObject &state, const QString &baseUrl)
{
    const QString oldBase = state.value(u"base_url"_s).toString();
    if (oldBase.isEmpty() || oldBase == baseUrl)
        return;
    QJsonArray posts = state.value(u"posts"_s).toArray();
    for (auto it = posts.begin(); it != posts.end(); ++it) {
        QJsonObject post = it->toObject();
        post.insert(u"text"_s, post.value(u"text"_s).toString().replace(oldBase, baseUrl));
        QJsonObject source = post.value(u"source"_s).toObject();
        source.insert(u"link"_s, source.value(u"link"_s).toString().replace(oldBase, baseUrl));
        post.insert(u"source"_s, source);
        *it = post;
    }
    state.insert(u"posts"_s, posts);
}

bool isControlPath(const QStringList &segments)
{
    return !segments.isEmpty() && segments.first() == u"_sandbox";
}

} // namespace

void HostState::addUpload(const QString &name, const QByteArray &data)
{
    uploadOrder.removeOne(name);
    uploadOrder.append(name);
    uploads.insert(name, data);
    qsizetype total = 0;
    for (const QByteArray &bytes : std::as_const(uploads))
        total += bytes.size();
    while (total > kMaxUploadBytes && uploadOrder.size() > 1) {
        total -= uploads.take(uploadOrder.takeFirst()).size();
    }
}

SandboxService::SandboxService(ServiceOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_rng(quint32(m_options.seed ^ 0x5eedu))
    , m_latency { m_options.latencyMs, m_options.latencyJitterMs }
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    addApiReadRoutes(m_api, *this);
    addApiWriteRoutes(m_api, *this);
    addSiteRoutes(m_site, *this);
    addHostRoutes(m_site, *this);
    addControlRoutes(m_control, *this);

    // Changes come in bursts (a test posting ten times); one write covers them.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(200);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] {
        QString error;
        if (!saveState(&error))
            qWarning().noquote() << "velto-sandbox: cannot save the state:" << error;
    });
    m_mentionTimer.setInterval(m_options.demoMentionIntervalMs);
    connect(&m_mentionTimer, &QTimer::timeout, this, [this] { addDemoMention(); });
}

SandboxService::~SandboxService()
{
    if (m_saveTimer.isActive())
        saveState();
}

QDateTime SandboxService::now() const
{
    return QDateTime::fromSecsSinceEpoch(m_clock().toSecsSinceEpoch(), QTimeZone::utc());
}

bool SandboxService::loadState(QString *error)
{
    QFile file(m_options.stateFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return false;
    }
    QJsonObject state = doc.object();
    movePostsTo(state, m_baseUrl);
    Store loaded;
    if (!loaded.fromJson(state, error))
        return false;

    seedWorld(); // the hosts' defaults, then what the file holds
    m_store = std::move(loaded);
    m_tokens.fromJson(state.value(u"tokens"_s).toObject());
    const QJsonObject uploads = state.value(u"uploads"_s).toObject();
    for (auto it = uploads.begin(); it != uploads.end(); ++it)
        m_hosts.addUpload(it.key(), QByteArray::fromBase64(it.value().toString().toLatin1()));
    const QJsonObject links = state.value(u"short_links"_s).toObject();
    for (auto it = links.begin(); it != links.end(); ++it) {
        m_hosts.shortLinks.insert(it.key(), it.value().toString());
        m_hosts.shortCodes.insert(it.value().toString(), it.key());
    }
    return true;
}

void SandboxService::start(const QString &baseUrl, QString *message)
{
    m_baseUrl = baseUrl;
    m_anchor = now();
    bool loaded = false;
    if (const QFileInfo info(m_options.stateFile);
        !m_options.stateFile.isEmpty() && info.exists() && !info.isFile()) {
        if (message)
            *message
                = u"%1 is not a file; the state is kept in memory only"_s.arg(m_options.stateFile);
        m_options.stateFile.clear();
    }
    if (!m_options.stateFile.isEmpty() && QFileInfo::exists(m_options.stateFile)) {
        QString error;
        loaded = loadState(&error);
        if (!loaded) {
            // Keep the unreadable file for whoever wants to look at it.
            const QString aside = m_options.stateFile + u".unreadable"_s;
            QFile::remove(aside);
            QFile::rename(m_options.stateFile, aside);
            if (message)
                *message
                    = u"the state file %1 cannot be used (%2); it was moved to %3 and the seeded world is used"_s
                          .arg(m_options.stateFile, error, aside);
        }
    }
    if (!loaded) {
        seedWorld();
        noteChanged();
    }
    if (m_options.demo)
        m_mentionTimer.start();
}

void SandboxService::seedWorld()
{
    seedStore(m_store, m_options.seed, m_anchor, m_baseUrl);
    m_hosts = HostState();
    m_hosts.releaseNotes = defaultReleaseNotes(m_hosts.latestVersion);
}

void SandboxService::reset()
{
    seedWorld();
    m_tokens.clear();
    m_faults.clear();
    m_requestLog.clear();
    m_hugePages.clear();
    m_latency = { m_options.latencyMs, m_options.latencyJitterMs };
    noteChanged();
}

const Post &SandboxService::addDemoMention(Id author, const QString &text)
{
    auto [drawnAuthor, drawnText] = demoMention(m_store, m_rng, m_baseUrl);
    const QList<Source> sources = seedSources(m_baseUrl);
    const Source &source = sources.at(int(m_rng.bounded(quint32(sources.size()))));
    const QString finalText = text.isEmpty() ? drawnText : text;
    const Post &post = m_store.addPost(author ? author : drawnAuthor, finalText, 0, now(), source);
    noteChanged();
    return post;
}

QList<Id> SandboxService::addDemoMentions(int count, Id author, const QString &text)
{
    QList<Id> ids;
    ids.reserve(count);
    for (int i = 0; i < count; ++i)
        ids.append(addDemoMention(author, text).id);
    return ids;
}

FaultPlan SandboxService::planFor(const HttpRequest &request)
{
    if (isControlPath(request.segments()))
        return {};
    FaultPlan plan = m_faults.isEmpty() ? FaultPlan() : m_faults.take(request);
    if (!plan.hostile.isEmpty())
        makeHostileAnswer(plan, request);
    plan.delayMs += drawLatencyMs();
    // The image host's slow pictures come later than a client waits for one.
    if (request.path().startsWith(u"/img/slow-"))
        plan.delayMs += kSlowPictureMs;
    return plan;
}

int SandboxService::drawLatencyMs()
{
    const int jitter = m_latency.jitterMs > 0
        ? int(QRandomGenerator::global()->bounded(m_latency.jitterMs + 1))
        : 0;
    return m_latency.ms + jitter;
}

void SandboxService::makeHostileAnswer(FaultPlan &plan, const HttpRequest &request)
{
    const Id viewer
        = m_tokens.userForAuthorization(request.header("authorization")).value_or(kDemoUserId);
    const HostilePages pages(m_store, m_baseUrl, viewer, now());
    if (plan.hostile != u"hugeAnswer") {
        plan.answer->body = pages.page(plan.hostile);
        return;
    }
    // Made once per size on a worker; every answer shares the one buffer.
    auto it = m_hugePages.find(plan.sizeBytes);
    if (it == m_hugePages.end()) {
        it = m_hugePages.insert(plan.sizeBytes,
            QtConcurrent::run(
                &m_drawing, &HostilePages::hugePage, pages.samplePosts(), plan.sizeBytes, now()));
    }
    plan.pendingBody = *it;
}

std::optional<QFuture<void>> SandboxService::prepare(const HttpRequest &request)
{
    if (request.method != "GET" && request.method != "HEAD")
        return std::nullopt;
    const QStringList segments = request.segments();
    if (segments.size() != 2 || !segments[1].endsWith(u".png"))
        return std::nullopt;
    const QString name = segments[1].chopped(4);
    if (segments[0] == u"avatars" && isValidPictureName(name) && !m_pictures.hasAvatar(name))
        return QtConcurrent::run(&m_drawing, [this, name] { m_pictures.avatarPng(name); });
    static const QRegularExpression sample(u"^sample-([1-9][0-9]?)$"_s);
    const auto m = sample.match(name);
    if (segments[0] == u"img" && m.hasMatch() && !m_hosts.uploads.contains(segments[1])
        && !m_pictures.hasSample(m.captured(1).toInt()))
        return QtConcurrent::run(
            &m_drawing, [this, n = m.captured(1).toInt()] { m_pictures.samplePng(n); });
    return std::nullopt;
}

HttpResponse SandboxService::handle(const HttpRequest &request)
{
    if (request.body.size() > m_options.maxBodyBytes)
        return errorResponse(413,
            u"The body is %1 bytes; at most %2 are accepted"_s.arg(request.body.size())
                .arg(m_options.maxBodyBytes));
    const QStringList segments = request.segments();
    if (isControlPath(segments))
        return m_control.dispatch(request, segments.mid(1));
    if (segments.size() >= 2 && segments[0] == u"stream" && segments[1] == u"0") {
        const auto viewer = m_tokens.userForAuthorization(request.header("authorization"));
        if (!viewer || !m_store.user(*viewer)) {
            return errorResponse(401,
                request.header("authorization").isEmpty()
                    ? u"Call requires authentication: no bearer token"_s
                    : u"Call requires authentication: the token is not valid"_s)
                .withHeader("WWW-Authenticate", "Bearer realm=\"velto-sandbox\"");
        }
        return m_api.dispatch(request, segments.mid(2), *viewer);
    }
    return m_site.dispatch(request, segments);
}

void SandboxService::record(const HttpRequest &request, int status)
{
    if (isControlPath(request.segments()))
        return;
    QJsonObject headers;
    for (const auto &[name, value] : request.headers)
        headers.insert(QString::fromLatin1(name), QString::fromUtf8(value));
    m_requestLog.append(QJsonObject {
        { u"method"_s, QString::fromLatin1(request.method) },
        { u"path"_s, QString::fromUtf8(request.rawPath) },
        { u"query"_s, QString::fromUtf8(request.rawQuery) },
        { u"headers"_s, headers },
        { u"body"_s, QString::fromUtf8(request.body.left(16384)) },
        { u"bodySize"_s, request.body.size() },
        { u"status"_s, status },
    });
    while (m_requestLog.size() > m_options.requestLogSize)
        m_requestLog.removeFirst();
}

QJsonArray SandboxService::requestLog() const
{
    QJsonArray out;
    for (const QJsonObject &entry : m_requestLog)
        out.append(entry);
    return out;
}

void SandboxService::clearRequestLog()
{
    m_requestLog.clear();
}

void SandboxService::noteChanged()
{
    Q_EMIT stateChanged();
    if (!m_options.stateFile.isEmpty())
        m_saveTimer.start();
}

QJsonObject SandboxService::stateJson() const
{
    QJsonObject state = m_store.toJson();
    state.insert(u"base_url"_s, m_baseUrl);
    state.insert(u"tokens"_s, m_tokens.toJson());
    QJsonObject uploads;
    for (auto it = m_hosts.uploads.cbegin(); it != m_hosts.uploads.cend(); ++it)
        uploads.insert(it.key(), QString::fromLatin1(it.value().toBase64()));
    state.insert(u"uploads"_s, uploads);
    QJsonObject links;
    for (auto it = m_hosts.shortLinks.cbegin(); it != m_hosts.shortLinks.cend(); ++it)
        links.insert(it.key(), it.value());
    state.insert(u"short_links"_s, links);
    return state;
}

bool SandboxService::saveState(QString *error) const
{
    if (m_options.stateFile.isEmpty())
        return true;
    QSaveFile file(m_options.stateFile);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(QJsonDocument(stateJson()).toJson(QJsonDocument::Compact));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace sandbox
