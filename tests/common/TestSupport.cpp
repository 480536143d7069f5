#include "TestSupport.h"

#include "SandboxServer.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QThread>

#include <memory>

namespace testsupport {

void pointProgramAt(const SandboxServer &sandbox)
{
    sandbox.setEnvironment();
    OutsideAddresses::setCurrent(OutsideAddresses::load());
}

void pointXdgFoldersAt(const QString &root)
{
    const struct {
        const char *var;
        const char *sub;
    } folders[] = {
        { "HOME", "home" },
        { "XDG_CONFIG_HOME", "config" },
        { "XDG_DATA_HOME", "data" },
        { "XDG_CACHE_HOME", "cache" },
        { "XDG_RUNTIME_DIR", "runtime" },
    };
    for (const auto &f : folders) {
        const QString path = root + QLatin1Char('/') + QLatin1String(f.sub);
        QDir().mkpath(path);
        QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(f.var, path.toUtf8());
    }
    Preferences::resetStandard();
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QStringList arrangedIds(const PostsArrayController &posts)
{
    QStringList ids;
    for (int row = 0; row < posts.count(); ++row)
        ids << posts.arrangedObject(row)->id();
    return ids;
}

std::string loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    maps.open(QIODevice::ReadOnly);
    QStringList plugins;
    for (const QByteArray &line : maps.readAll().split('\n'))
        if (line.contains("/imageformats/") || line.contains("/iconengines/"))
            plugins << QString::fromUtf8(line.mid(line.lastIndexOf('/') + 1));
    plugins.removeDuplicates();
    return plugins.join(u' ').toStdString();
}

struct ScriptedAlerts::State {
    QList<Alert> shown;
    QList<int> answers;
};

namespace {
class ScriptedPresenter : public AlertPresenter {
public:
    explicit ScriptedPresenter(ScriptedAlerts::State *state)
        : m_state(state)
    {
    }
    int present(const Alert &alert) override;
    ScriptedAlerts::State *m_state;
};
} // namespace

ScriptedAlerts::ScriptedAlerts()
    : m_state(new State)
{
    alerts::setPresenter(std::make_unique<ScriptedPresenter>(m_state));
}

ScriptedAlerts::~ScriptedAlerts()
{
    alerts::setPresenter(nullptr);
    delete m_state;
}

QList<Alert> ScriptedAlerts::shown() const
{
    return m_state->shown;
}
void ScriptedAlerts::answerNext(int buttonIndex)
{
    m_state->answers.append(buttonIndex);
}

int ScriptedPresenter::present(const Alert &alert)
{
    m_state->shown.append(alert);
    return m_state->answers.isEmpty() ? 0 : m_state->answers.takeFirst();
}

namespace {
class Recorder : public UrlOpener {
public:
    explicit Recorder(QList<QUrl> *list)
        : m_list(list)
    {
    }
    bool open(const QUrl &url) override
    {
        m_list->append(url);
        return true;
    }
    QList<QUrl> *m_list;
};
} // namespace

RecordingOpener::RecordingOpener()
    : m_opened(new QList<QUrl>)
{
    UrlOpener::setCurrent(std::make_unique<Recorder>(m_opened));
}

RecordingOpener::~RecordingOpener()
{
    UrlOpener::setCurrent(nullptr);
    delete m_opened;
}

QList<QUrl> RecordingOpener::opened() const
{
    return *m_opened;
}

} // namespace testsupport
