#include "support/PostStore.h"

#include "core/AppPaths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

namespace {

// Lives on the worker thread with the one connection to the file.
class StoreWorker : public QObject {
public:
    explicit StoreWorker(qint64 sizeCap)
        : database(sizeCap)
    {
    }
    StoreDatabase database;
    // A failing disk is said once, not at every page.
    bool writeFailureLogged = false;
};

} // namespace

QString PostStore::defaultPath()
{
    return AppPaths::supportFolder() + QStringLiteral("/Posts.sqlite");
}

PostStore::PostStore(const QString &path, qint64 sizeCap, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    m_thread.setObjectName(QStringLiteral("post store"));
    auto *worker = new StoreWorker(sizeCap);
    worker->moveToThread(&m_thread);
    m_worker = worker;
    m_thread.start();
    QPointer<PostStore> self(this);
    onWorker([self, path](StoreDatabase &database) {
        const StoreDatabase::OpenResult result = database.open(path);
        if (!database.openReport().isEmpty())
            qWarning().noquote() << database.openReport();
        QMetaObject::invokeMethod(
            qApp,
            [self, result] {
                if (self)
                    Q_EMIT self->opened(result);
            },
            Qt::QueuedConnection);
    });
}

PostStore::~PostStore()
{
    stopWorker();
}

void PostStore::stopWorker()
{
    if (!m_worker)
        return;
    // Asked after every write still queued, so each of them is done first.
    onWorker([](StoreDatabase &database) {
        database.close();
        QThread::currentThread()->quit();
    });
    m_thread.wait();
    delete m_worker.data();
}

void PostStore::onWorker(std::function<void(StoreDatabase &)> work)
{
    auto *worker = static_cast<StoreWorker *>(m_worker.data());
    if (!worker)
        return;
    QMetaObject::invokeMethod(
        worker, [worker, work = std::move(work)] { work(worker->database); }, Qt::QueuedConnection);
}

void PostStore::savePage(int stream, const QJsonArray &page, bool newest)
{
    auto *worker = static_cast<StoreWorker *>(m_worker.data());
    onWorker([worker, stream, page, newest](StoreDatabase &database) {
        if (!database.isOpen())
            return;
        if (database.savePage(stream, page, newest)) {
            worker->writeFailureLogged = false;
        } else if (!worker->writeFailureLogged) {
            worker->writeFailureLogged = true;
            qWarning().noquote() << "The post store cannot keep a page:" << database.lastError();
        }
    });
}

void PostStore::savePlace(int stream, const StoredPlace &place)
{
    onWorker([stream, place](StoreDatabase &database) { database.savePlace(stream, place); });
}

void PostStore::loadPage(
    int stream, int count, QObject *context, std::function<void(StoredPage)> done)
{
    QPointer<QObject> receiver(context);
    onWorker([stream, count, receiver, done = std::move(done)](StoreDatabase &database) {
        StoredPage page = database.loadPage(stream, count);
        QMetaObject::invokeMethod(
            qApp,
            [receiver, done, page = std::move(page)] {
                if (receiver)
                    done(page);
            },
            Qt::QueuedConnection);
    });
}

void PostStore::whenWritten(QObject *context, std::function<void()> done)
{
    QPointer<QObject> receiver(context);
    onWorker([receiver, done = std::move(done)](StoreDatabase &) {
        QMetaObject::invokeMethod(
            qApp,
            [receiver, done] {
                if (receiver)
                    done();
            },
            Qt::QueuedConnection);
    });
}

void PostStore::erase()
{
    stopWorker();
    removeFiles(m_path);
}

void PostStore::removeFiles(const QString &path)
{
    for (const char *suffix : { "", "-wal", "-shm" })
        QFile::remove(path + QLatin1String(suffix));
}
