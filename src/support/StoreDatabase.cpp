#include "support/StoreDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <sqlite3.h>

namespace {

// The service's dates are ISO 8601 texts, which sort as they read; anything
// else is kept as an empty text, which sorts below every real date, as in
// the list (never as NULL, which the column refuses).
QString sortableDate(const QJsonValue &value)
{
    const QString date = value.toString();
    const bool looksIso = date.size() >= 19 && date.at(0).isDigit() && date.at(4) == u'-'
        && date.at(7) == u'-' && date.at(10) == u'T';
    return looksIso ? date : QStringLiteral("");
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

bool isDamage(int code)
{
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool isLock(int code)
{
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

} // namespace

StoreDatabase::StoreDatabase(qint64 sizeCap)
    : m_sizeCap(sizeCap)
{
}

StoreDatabase::~StoreDatabase()
{
    close();
}

void StoreDatabase::close()
{
    m_db.close();
    m_open = false;
}

bool StoreDatabase::exec(const char *statement)
{
    if (m_db.exec(statement))
        return true;
    m_lastError = m_db.lastError();
    return false;
}

bool StoreDatabase::openConnection(const QString &path)
{
    close();
    // A second program holding the file answers at once rather than after a wait.
    if (!m_db.open(path, 200)) {
        m_lastError = m_db.lastError();
        return false;
    }
    // Pages are read once at start and written a page of posts at a time, so
    // SQLite's default cache of 2 MB would mostly hold the start's check of
    // the whole file.
    exec("PRAGMA cache_size = -256");
    return true;
}

int StoreDatabase::fileSchemaVersion()
{
    SqliteConnection::Statement query(m_db, "PRAGMA user_version");
    if (!query.query() || !query.next()) {
        m_lastError = m_db.lastError();
        return isDamage(m_db.lastCode()) ? -1 : isLock(m_db.lastCode()) ? -3 : -2;
    }
    return int(query.integer(0));
}

bool StoreDatabase::looksWhole()
{
    SqliteConnection::Statement query(m_db, "PRAGMA quick_check");
    return query.query() && query.next() && query.text(0) == u"ok";
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
    return exec("PRAGMA auto_vacuum = INCREMENTAL")
        && exec("CREATE TABLE IF NOT EXISTS posts (stream INTEGER NOT NULL, "
                "id TEXT NOT NULL, created_at TEXT NOT NULL, user_id TEXT, "
                "json BLOB NOT NULL, PRIMARY KEY (stream, id))")
        && exec("CREATE INDEX IF NOT EXISTS posts_by_date ON posts (stream, created_at)")
        && exec("CREATE TABLE IF NOT EXISTS users (id TEXT PRIMARY KEY, json BLOB NOT NULL)")
        && exec("CREATE TABLE IF NOT EXISTS pages (stream INTEGER PRIMARY KEY, "
                "saved_at INTEGER NOT NULL)")
        && exec("CREATE TABLE IF NOT EXISTS places (stream INTEGER PRIMARY KEY, "
                "top_post TEXT, top_offset INTEGER, selected_post TEXT)")
        && exec(
            QByteArray("PRAGMA user_version = " + QByteArray::number(schemaVersion)).constData());
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
    const bool ready = exec("PRAGMA locking_mode = EXCLUSIVE") && exec("PRAGMA journal_mode = WAL")
        && exec("PRAGMA synchronous = NORMAL")
        && exec("BEGIN "
                "IMMEDIATE")
        && makeSchema() && exec("COMMIT");
    if (!ready) {
        const bool locked = isLock(m_db.lastCode());
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

bool StoreDatabase::failWrite()
{
    // The rollback's own failure, if any, is not the one to report.
    const QString error = m_db.lastError();
    m_db.exec("ROLLBACK");
    m_lastError = error;
    return false;
}

bool StoreDatabase::savePage(int stream, const QJsonArray &page, bool newest, const QDateTime &now)
{
    if (!m_open)
        return false;
    if (!exec("BEGIN IMMEDIATE"))
        return false;

    QSet<QString> ids;
    QString oldest;
    QString newestDate;
    bool dated = false;
    SqliteConnection::Statement putPost(m_db,
        "INSERT OR REPLACE INTO posts (stream, id, created_at, user_id, json) "
        "VALUES (?, ?, ?, ?, ?)");
    SqliteConnection::Statement putUser(
        m_db, "INSERT OR REPLACE INTO users (id, json) VALUES (?, ?)");
    for (const QJsonValue &value : page) {
        QJsonObject post = value.toObject();
        const QString id = idText(post.value(u"id"));
        if (id.isEmpty())
            continue;
        const QString date = sortableDate(post.value(u"created_at"));
        // Only a readable date says where the page lies in time.
        if (!date.isEmpty()) {
            if (!dated || date < oldest)
                oldest = date;
            if (!dated || date > newestDate)
                newestDate = date;
            dated = true;
        }
        ids.insert(id);
        // A user with an id is kept once for all the posts that name it.
        const QJsonObject user = post.value(u"user").toObject();
        const QString userId = idText(user.value(u"id"));
        if (!userId.isEmpty()) {
            post.remove(u"user");
            if (!putUser.run(userId, compact(user)))
                return failWrite();
        }
        if (!putPost.run(stream, id, date, userId.isEmpty() ? std::nullopt : std::optional(userId),
                compact(post)))
            return failWrite();
    }

    // What the service no longer answers in the span of this page was
    // deleted there; an empty first page means the stream is empty. A page
    // without a readable date has no span: it deletes nothing.
    if ((ids.isEmpty() && newest) || dated) {
        const char *sql = ids.isEmpty() ? "SELECT id FROM posts WHERE stream = ?"
            : newest ? "SELECT id FROM posts WHERE stream = ? AND created_at >= ?"
                     : "SELECT id FROM posts WHERE stream = ? AND created_at >= ? AND "
                       "created_at <= ?";
        SqliteConnection::Statement span(m_db, sql);
        const bool started = ids.isEmpty() ? span.query(stream)
            : newest                       ? span.query(stream, oldest)
                                           : span.query(stream, oldest, newestDate);
        if (!started)
            return failWrite();
        QStringList gone;
        while (span.next())
            if (!ids.contains(span.text(0)))
                gone << span.text(0);
        SqliteConnection::Statement drop(m_db, "DELETE FROM posts WHERE stream = ? AND id = ?");
        for (const QString &id : std::as_const(gone))
            if (!drop.run(stream, id))
                return failWrite();
    }
    if (newest) {
        SqliteConnection::Statement stamp(
            m_db, "INSERT OR REPLACE INTO pages (stream, saved_at) VALUES (?, ?)");
        if (!stamp.run(stream, now.toMSecsSinceEpoch()))
            return failWrite();
    }
    if (!trim(stream))
        return failWrite();
    if (!exec("COMMIT"))
        return failWrite();
    exec("PRAGMA incremental_vacuum");
    return true;
}

bool StoreDatabase::trim(int stream)
{
    SqliteConnection::Statement keep(m_db,
        "DELETE FROM posts WHERE stream = ? AND id NOT IN (SELECT id FROM posts WHERE stream = ? "
        "ORDER BY created_at DESC, id DESC LIMIT ?)");
    if (!keep.run(stream, stream, postsPerStream)) {
        m_lastError = m_db.lastError();
        return false;
    }
    // Over the size cap the oldest posts of any stream go, a tenth at a time.
    for (qint64 bytes = storedBytes(); bytes > m_sizeCap; bytes = storedBytes()) {
        if (!m_db.exec("DELETE FROM posts WHERE rowid IN (SELECT rowid FROM posts ORDER BY "
                       "created_at ASC LIMIT MAX(1, (SELECT COUNT(*) FROM posts) / 10))")
            || m_db.changes() <= 0) {
            m_lastError = m_db.lastError();
            break;
        }
    }
    return exec("DELETE FROM users WHERE id NOT IN (SELECT user_id FROM posts WHERE user_id IS "
                "NOT NULL)");
}

qint64 StoreDatabase::storedBytes() const
{
    SqliteConnection::Statement query(m_db,
        "SELECT COALESCE((SELECT SUM(LENGTH(json)) FROM posts), 0) + "
        "COALESCE((SELECT SUM(LENGTH(json)) FROM users), 0)");
    return query.query() && query.next() ? query.integer(0) : 0;
}

qint64 StoreDatabase::postCount(int stream) const
{
    SqliteConnection::Statement query(m_db, "SELECT COUNT(*) FROM posts WHERE stream = ?");
    return query.query(stream) && query.next() ? query.integer(0) : 0;
}

StoredPage StoreDatabase::loadPage(int stream, int count) const
{
    StoredPage page;
    if (!m_open)
        return page;
    page.place = loadPlace(stream);

    // The page reaches down to the reader's place, so it can be shown again.
    qint64 wanted = count;
    if (page.place) {
        SqliteConnection::Statement reach(m_db,
            "SELECT COUNT(*) FROM posts WHERE stream = ? AND created_at >= (SELECT "
            "MIN(created_at) FROM posts WHERE stream = ? AND id IN (?, ?))");
        if (reach.query(stream, stream, page.place->topPostId, page.place->selectedPostId)
            && reach.next())
            wanted = qMax(wanted, reach.integer(0));
    }
    wanted = qMin<qint64>(wanted, postsPerStream);

    SqliteConnection::Statement posts(m_db,
        "SELECT posts.json, users.json FROM posts LEFT JOIN users ON users.id = posts.user_id "
        "WHERE posts.stream = ? ORDER BY posts.created_at DESC, posts.id DESC LIMIT ?");
    if (!posts.query(stream, wanted))
        return page;
    while (posts.next()) {
        QJsonObject post = objectFrom(posts.blob(0));
        if (!posts.isNull(1))
            post.insert(u"user", objectFrom(posts.blob(1)));
        page.posts.append(post);
    }
    SqliteConnection::Statement stamp(m_db, "SELECT saved_at FROM pages WHERE stream = ?");
    if (stamp.query(stream) && stamp.next())
        page.savedAt = QDateTime::fromMSecsSinceEpoch(stamp.integer(0), Qt::UTC);
    return page;
}

bool StoreDatabase::savePlace(int stream, const StoredPlace &place)
{
    if (!m_open)
        return false;
    // One place is kept, the last one: an older place in another stream
    // says nothing about where the reader is now.
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    if (!exec("DELETE FROM places"))
        return failWrite();
    SqliteConnection::Statement query(m_db,
        "INSERT INTO places (stream, top_post, top_offset, selected_post) VALUES (?, ?, ?, ?)");
    if (!query.run(stream, place.topPostId, place.offset, place.selectedPostId))
        return failWrite();
    return exec("COMMIT") || failWrite();
}

std::optional<StoredPlace> StoreDatabase::loadPlace(int stream) const
{
    if (!m_open)
        return std::nullopt;
    SqliteConnection::Statement query(
        m_db, "SELECT top_post, top_offset, selected_post FROM places WHERE stream = ?");
    if (!query.query(stream) || !query.next())
        return std::nullopt;
    return StoredPlace { query.text(0), int(query.integer(1)), query.text(2) };
}
