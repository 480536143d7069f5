#include "support/StoreDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

// SQLite's own result codes, as the driver reports them.
const QString busyCode = QStringLiteral("5");
const QString lockedCode = QStringLiteral("6");
const QString corruptCode = QStringLiteral("11");
const QString notADatabaseCode = QStringLiteral("26");

// The service's dates are ISO 8601 texts, which sort as they read; anything
// else sorts below every real date, as in the list.
QString sortableDate(const QJsonValue &value)
{
    const QString date = value.toString();
    const bool looksIso = date.size() >= 19 && date.at(0).isDigit() && date.at(4) == u'-'
        && date.at(7) == u'-' && date.at(10) == u'T';
    return looksIso ? date : QString();
}

// Ids are strings; a number sent in their place reads as its decimal text.
QString idText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(qint64(value.toDouble()));
    return {};
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject objectFrom(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

bool isDamage(const QSqlError &error)
{
    return error.nativeErrorCode() == corruptCode || error.nativeErrorCode() == notADatabaseCode;
}

bool isLock(const QSqlError &error)
{
    return error.nativeErrorCode() == busyCode || error.nativeErrorCode() == lockedCode;
}

} // namespace

StoreDatabase::StoreDatabase(qint64 sizeCap)
    : m_connection(
        QStringLiteral("velto-store-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_sizeCap(sizeCap)
{
}

StoreDatabase::~StoreDatabase()
{
    close();
}

void StoreDatabase::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
}

bool StoreDatabase::exec(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (query.exec(statement))
        return true;
    m_lastError = query.lastError().text();
    return false;
}

bool StoreDatabase::openConnection(const QString &path)
{
    close();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    // A second program holding the file answers at once rather than after a wait.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!db.open()) {
        m_lastError = db.lastError().text();
        return false;
    }
    // Pages are read once at start and written a page of posts at a time, so
    // SQLite's default cache of 2 MB would mostly hold the start's check of
    // the whole file.
    exec(QStringLiteral("PRAGMA cache_size = -256"));
    return true;
}

int StoreDatabase::fileSchemaVersion()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        m_lastError = query.lastError().text();
        return isDamage(query.lastError()) ? -1 : isLock(query.lastError()) ? -3 : -2;
    }
    return query.value(0).toInt();
}

bool StoreDatabase::looksWhole()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return false;
    return query.value(0).toString() == u"ok";
}

bool StoreDatabase::setAside(const QString &path)
{
    close();
    const QString aside = QStringLiteral("%1.damaged-%2")
                              .arg(path, QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss"));
    if (!QFile::rename(path, aside))
        return false;
    // The log and index of the damaged file belong to it, not to the new one.
    for (const char *suffix : { "-wal", "-shm" })
        if (QFile::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    m_setAside = aside;
    return true;
}

bool StoreDatabase::makeSchema()
{
    // Space freed by trimming goes back to the file system a little at a
    // time; this has to be said before the first table exists.
    return exec(QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL"))
        && exec(QStringLiteral("CREATE TABLE IF NOT EXISTS posts (stream INTEGER NOT NULL, "
                               "id TEXT NOT NULL, created_at TEXT NOT NULL, user_id TEXT, "
                               "json BLOB NOT NULL, PRIMARY KEY (stream, id))"))
        && exec(QStringLiteral(
            "CREATE INDEX IF NOT EXISTS posts_by_date ON posts (stream, created_at)"))
        && exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS users (id TEXT PRIMARY KEY, json BLOB NOT NULL)"))
        && exec(QStringLiteral("CREATE TABLE IF NOT EXISTS pages (stream INTEGER PRIMARY KEY, "
                               "saved_at INTEGER NOT NULL)"))
        && exec(QStringLiteral("CREATE TABLE IF NOT EXISTS places (stream INTEGER PRIMARY KEY, "
                               "top_post TEXT, top_offset INTEGER, selected_post TEXT)"))
        && exec(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
}

StoreDatabase::OpenResult StoreDatabase::open(const QString &path)
{
    m_path = path;
    m_setAside.clear();
    m_report.clear();
    const bool existed = QFileInfo::exists(path);
    if (!openConnection(path)) {
        m_report = QStringLiteral("The post store %1 cannot be opened (%2); posts are not kept "
                                  "this time.")
                       .arg(path, m_lastError);
        return OpenResult::Failed;
    }
    OpenResult result = OpenResult::Opened;
    if (existed) {
        const int version = fileSchemaVersion();
        if (version == -3) {
            close();
            m_report = QStringLiteral("The post store %1 is in use by another program; posts are "
                                      "not kept this time.")
                           .arg(path);
            return OpenResult::Locked;
        }
        if (version > schemaVersion) {
            close();
            m_report = QStringLiteral("The post store %1 was written by a newer Velto; it is left "
                                      "as it is and posts are not kept this time.")
                           .arg(path);
            return OpenResult::Newer;
        }
        if (version == -1 || (version >= 0 && !looksWhole())) {
            if (!setAside(path) || !openConnection(path)) {
                m_report = QStringLiteral("The post store %1 is damaged and cannot be moved "
                                          "aside; posts are not kept this time.")
                               .arg(path);
                close();
                return OpenResult::Failed;
            }
            m_report = QStringLiteral("The post store %1 was damaged; it was moved to %2 and a "
                                      "new one started.")
                           .arg(path, m_setAside);
            result = OpenResult::SetAside;
        }
    }
    // The write-ahead log keeps the file whole whenever the program stops;
    // holding the lock for the whole run keeps a second program out of it.
    const bool ready = exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"))
        && exec(QStringLiteral("PRAGMA journal_mode = WAL"))
        && exec(QStringLiteral("PRAGMA synchronous = NORMAL"))
        && exec(QStringLiteral("BEGIN "
                               "IMMEDIATE"))
        && makeSchema() && exec(QStringLiteral("COMMIT"));
    if (!ready) {
        const bool locked = m_lastError.contains(u"locked");
        m_report = locked ? QStringLiteral("The post store %1 is in use by another program; "
                                           "posts are not kept this time.")
                                .arg(path)
                          : QStringLiteral("The post store %1 cannot be written (%2); posts are "
                                           "not kept this time.")
                                .arg(path, m_lastError);
        close();
        return locked ? OpenResult::Locked : OpenResult::Failed;
    }
    m_open = true;
    return result;
}

bool StoreDatabase::failWrite(const QString &what)
{
    QSqlQuery rollback(QSqlDatabase::database(m_connection, false));
    rollback.exec(QStringLiteral("ROLLBACK"));
    if (!what.isEmpty())
        m_lastError = what;
    return false;
}

bool StoreDatabase::savePage(int stream, const QJsonArray &page, bool newest, const QDateTime &now)
{
    if (!m_open)
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;

    QSet<QString> ids;
    QString oldest;
    QString newestDate;
    QSqlQuery putPost(db);
    putPost.prepare(QStringLiteral("INSERT OR REPLACE INTO posts (stream, id, created_at, "
                                   "user_id, json) VALUES (?, ?, ?, ?, ?)"));
    QSqlQuery putUser(db);
    putUser.prepare(QStringLiteral("INSERT OR REPLACE INTO users (id, json) VALUES (?, ?)"));
    for (const QJsonValue &value : page) {
        QJsonObject post = value.toObject();
        const QString id = idText(post.value(u"id"));
        if (id.isEmpty())
            continue;
        const QString date = sortableDate(post.value(u"created_at"));
        if (ids.isEmpty() || date < oldest)
            oldest = date;
        if (ids.isEmpty() || date > newestDate)
            newestDate = date;
        ids.insert(id);
        // A user with an id is kept once for all the posts that name it.
        const QJsonObject user = post.value(u"user").toObject();
        const QString userId = idText(user.value(u"id"));
        if (!userId.isEmpty()) {
            post.remove(u"user");
            putUser.addBindValue(userId);
            putUser.addBindValue(compact(user));
            if (!putUser.exec())
                return failWrite(putUser.lastError().text());
        }
        putPost.addBindValue(stream);
        putPost.addBindValue(id);
        putPost.addBindValue(date);
        putPost.addBindValue(userId.isEmpty() ? QVariant() : QVariant(userId));
        putPost.addBindValue(compact(post));
        if (!putPost.exec())
            return failWrite(putPost.lastError().text());
    }

    // What the service no longer answers in the span of this page was
    // deleted there; an empty first page means the stream is empty.
    QSqlQuery span(db);
    if (ids.isEmpty() && newest) {
        span.prepare(QStringLiteral("SELECT id FROM posts WHERE stream = ?"));
        span.addBindValue(stream);
    } else if (newest) {
        span.prepare(QStringLiteral("SELECT id FROM posts WHERE stream = ? AND created_at >= ?"));
        span.addBindValue(stream);
        span.addBindValue(oldest);
    } else {
        span.prepare(QStringLiteral(
            "SELECT id FROM posts WHERE stream = ? AND created_at >= ? AND created_at <= ?"));
        span.addBindValue(stream);
        span.addBindValue(oldest);
        span.addBindValue(newestDate);
    }
    if (!ids.isEmpty() || newest) {
        if (!span.exec())
            return failWrite(span.lastError().text());
        QStringList gone;
        while (span.next())
            if (!ids.contains(span.value(0).toString()))
                gone << span.value(0).toString();
        QSqlQuery drop(db);
        drop.prepare(QStringLiteral("DELETE FROM posts WHERE stream = ? AND id = ?"));
        for (const QString &id : std::as_const(gone)) {
            drop.addBindValue(stream);
            drop.addBindValue(id);
            if (!drop.exec())
                return failWrite(drop.lastError().text());
        }
    }
    if (newest) {
        QSqlQuery stamp(db);
        stamp.prepare(
            QStringLiteral("INSERT OR REPLACE INTO pages (stream, saved_at) VALUES (?, ?)"));
        stamp.addBindValue(stream);
        stamp.addBindValue(now.toMSecsSinceEpoch());
        if (!stamp.exec())
            return failWrite(stamp.lastError().text());
    }
    if (!trim(stream))
        return failWrite({});
    if (!exec(QStringLiteral("COMMIT")))
        return failWrite({});
    exec(QStringLiteral("PRAGMA incremental_vacuum"));
    return true;
}

bool StoreDatabase::trim(int stream)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery keep(db);
    keep.prepare(
        QStringLiteral("DELETE FROM posts WHERE stream = ? AND id NOT IN (SELECT id FROM "
                       "posts WHERE stream = ? ORDER BY created_at DESC, id DESC LIMIT ?)"));
    keep.addBindValue(stream);
    keep.addBindValue(stream);
    keep.addBindValue(postsPerStream);
    if (!keep.exec()) {
        m_lastError = keep.lastError().text();
        return false;
    }
    // Over the size cap the oldest posts of any stream go, a tenth at a time.
    for (qint64 bytes = storedBytes(); bytes > m_sizeCap; bytes = storedBytes()) {
        QSqlQuery drop(db);
        if (!drop.exec(QStringLiteral("DELETE FROM posts WHERE rowid IN (SELECT rowid FROM posts "
                                      "ORDER BY created_at ASC LIMIT MAX(1, (SELECT COUNT(*) FROM "
                                      "posts) / 10))"))
            || drop.numRowsAffected() <= 0) {
            m_lastError = drop.lastError().text();
            break;
        }
    }
    return exec(QStringLiteral("DELETE FROM users WHERE id NOT IN (SELECT user_id FROM posts "
                               "WHERE user_id IS NOT NULL)"));
}

qint64 StoreDatabase::storedBytes() const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT COALESCE((SELECT SUM(LENGTH(json)) FROM posts), 0) + "
                                   "COALESCE((SELECT SUM(LENGTH(json)) FROM users), 0)"))
        || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

qint64 StoreDatabase::postCount(int stream) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM posts WHERE stream = ?"));
    query.addBindValue(stream);
    if (!query.exec() || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

StoredPage StoreDatabase::loadPage(int stream, int count) const
{
    StoredPage page;
    if (!m_open)
        return page;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    page.place = loadPlace(stream);

    // The page reaches down to the reader's place, so it can be shown again.
    qint64 wanted = count;
    if (page.place) {
        QSqlQuery reach(db);
        reach.prepare(QStringLiteral(
            "SELECT COUNT(*) FROM posts WHERE stream = ? AND created_at >= (SELECT MIN(created_at) "
            "FROM posts WHERE stream = ? AND id IN (?, ?))"));
        reach.addBindValue(stream);
        reach.addBindValue(stream);
        reach.addBindValue(page.place->topPostId);
        reach.addBindValue(page.place->selectedPostId);
        if (reach.exec() && reach.next())
            wanted = qMax(wanted, reach.value(0).toLongLong());
    }
    wanted = qMin<qint64>(wanted, postsPerStream);

    QSqlQuery posts(db);
    posts.prepare(QStringLiteral(
        "SELECT posts.json, users.json FROM posts LEFT JOIN users ON users.id = posts.user_id "
        "WHERE posts.stream = ? ORDER BY posts.created_at DESC, posts.id DESC LIMIT ?"));
    posts.addBindValue(stream);
    posts.addBindValue(wanted);
    if (!posts.exec())
        return page;
    while (posts.next()) {
        QJsonObject post = objectFrom(posts.value(0).toByteArray());
        if (!posts.value(1).isNull())
            post.insert(u"user", objectFrom(posts.value(1).toByteArray()));
        page.posts.append(post);
    }
    QSqlQuery stamp(db);
    stamp.prepare(QStringLiteral("SELECT saved_at FROM pages WHERE stream = ?"));
    stamp.addBindValue(stream);
    if (stamp.exec() && stamp.next())
        page.savedAt = QDateTime::fromMSecsSinceEpoch(stamp.value(0).toLongLong(), Qt::UTC);
    return page;
}

bool StoreDatabase::savePlace(int stream, const StoredPlace &place)
{
    if (!m_open)
        return false;
    // One place is kept, the last one: an older place in another stream
    // says nothing about where the reader is now.
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    if (!exec(QStringLiteral("DELETE FROM places")))
        return failWrite({});
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT INTO places (stream, top_post, top_offset, "
                                 "selected_post) VALUES (?, ?, ?, ?)"));
    query.addBindValue(stream);
    query.addBindValue(place.topPostId);
    query.addBindValue(place.offset);
    query.addBindValue(place.selectedPostId);
    if (!query.exec())
        return failWrite(query.lastError().text());
    return exec(QStringLiteral("COMMIT")) || failWrite({});
}

std::optional<StoredPlace> StoreDatabase::loadPlace(int stream) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(
        QStringLiteral("SELECT top_post, top_offset, selected_post FROM places WHERE stream = ?"));
    query.addBindValue(stream);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return StoredPlace { query.value(0).toString(), query.value(1).toInt(),
        query.value(2).toString() };
}
