#pragma once

#include "support/StoreDatabase.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>

// The local post store as the window's thread uses it: every read and write
// of the StoreDatabase runs on one worker thread that owns the connection, in
// the order asked, and the window's thread never waits for it. Answers come
// back on the window's thread to a context object (nothing when it is gone).
//
// A store that cannot be used (damaged and set aside, from a newer program,
// held by another one, no room) logs one line; the program goes on without
// it, loading from the network as before.
class PostStore : public QObject {
    Q_OBJECT
public:
    // "Posts.sqlite" in the data folder.
    static QString defaultPath();

    explicit PostStore(const QString &path, qint64 sizeCap = StoreDatabase::defaultSizeCap,
        QObject *parent = nullptr);
    ~PostStore() override;

    const QString &path() const { return m_path; }

    void savePage(int stream, const QJsonArray &page, bool newest);
    void savePlace(int stream, const StoredPlace &place);
    // The stored page of `stream` (empty when there is none or no store).
    void loadPage(int stream, int count, QObject *context, std::function<void(StoredPage)> done);

    // Runs `done` on the window's thread once everything asked before has
    // been done on the worker (tests, benchmarks, quitting).
    void whenWritten(QObject *context, std::function<void()> done);

    // Closes the database and deletes its files (signing out). Waits for
    // the worker to finish what it was asked to do first.
    void erase();
    // Deletes the files of a store at `path` that is not open.
    static void removeFiles(const QString &path);

Q_SIGNALS:
    // How opening the file went, once, on the window's thread.
    void opened(StoreDatabase::OpenResult result);

private:
    void onWorker(std::function<void(StoreDatabase &)> work);
    void stopWorker();

    QString m_path;
    QThread m_thread;
    QPointer<QObject> m_worker;
};
