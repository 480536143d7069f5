#include "support/SqliteConnection.h"

#include <QFile>

#include <sqlite3.h>

SqliteConnection::~SqliteConnection()
{
    close();
}

bool SqliteConnection::open(const QString &path, int busyTimeoutMs)
{
    close();
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        fail(code);
        close();
        return false;
    }
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    return true;
}

void SqliteConnection::close()
{
    // Every statement is finalised by its owner first; close_v2 keeps the
    // connection alive until the last one goes, should one be left.
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SqliteConnection::exec(const char *sql)
{
    if (!m_db)
        return fail(SQLITE_MISUSE);
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return code == SQLITE_OK || fail(code);
}

qint64 SqliteConnection::changes() const
{
    return m_db ? sqlite3_changes64(m_db) : 0;
}

bool SqliteConnection::fail(int code)
{
    m_lastCode = code & 0xff;
    m_lastError = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
    return false;
}

SqliteConnection::Statement::Statement(SqliteConnection &connection, const char *sql)
    : m_connection(connection)
{
    if (!connection.m_db) {
        connection.fail(SQLITE_MISUSE);
        return;
    }
    check(sqlite3_prepare_v2(connection.m_db, sql, -1, &m_statement, nullptr));
}

SqliteConnection::Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

bool SqliteConnection::Statement::check(int code)
{
    return code == SQLITE_OK || m_connection.fail(code);
}

bool SqliteConnection::Statement::reset()
{
    if (!m_statement)
        return false;
    // A failure of the last run was reported then; reset repeats its code.
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    return true;
}

bool SqliteConnection::Statement::next()
{
    if (!m_statement)
        return false;
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code != SQLITE_DONE)
        m_connection.fail(code);
    return false;
}

bool SqliteConnection::Statement::finish()
{
    int code = SQLITE_ROW;
    while (code == SQLITE_ROW)
        code = sqlite3_step(m_statement);
    return code == SQLITE_DONE || m_connection.fail(code);
}

bool SqliteConnection::Statement::bind(int index, qint64 value)
{
    return check(sqlite3_bind_int64(m_statement, index, value));
}

bool SqliteConnection::Statement::bind(int index, const QString &value)
{
    if (value.isNull())
        return check(sqlite3_bind_null(m_statement, index));
    const QByteArray utf8 = value.toUtf8();
    return check(sqlite3_bind_text64(m_statement, index, utf8.constData(),
        sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8));
}

bool SqliteConnection::Statement::bind(int index, const QByteArray &value)
{
    return check(sqlite3_bind_blob64(
        m_statement, index, value.constData(), sqlite3_uint64(value.size()), SQLITE_TRANSIENT));
}

bool SqliteConnection::Statement::bind(int index, const std::optional<QString> &value)
{
    return value ? bind(index, *value) : check(sqlite3_bind_null(m_statement, index));
}

bool SqliteConnection::Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 SqliteConnection::Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteConnection::Statement::text(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return bytes ? QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column)) : QString();
}

QByteArray SqliteConnection::Statement::blob(int column) const
{
    const void *bytes = sqlite3_column_blob(m_statement, column);
    return bytes
        ? QByteArray(static_cast<const char *>(bytes), sqlite3_column_bytes(m_statement, column))
        : QByteArray();
}
