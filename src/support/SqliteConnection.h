#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One connection to an SQLite file, spoken to through SQLite's own library.
// It keeps SQLite's result code of the last failure, so that a damaged file
// can be told from a locked one and from a full disk.
//
// Not thread-safe: a connection and its statements stay on one thread.
class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Opens or makes the file. A second program holding it answers after at
    // most `busyTimeoutMs` rather than at once.
    bool open(const QString &path, int busyTimeoutMs);
    void close();

    // Runs statements that give no rows.
    bool exec(const char *sql);
    // The rows the last finished statement changed.
    qint64 changes() const;

    // SQLite's primary result code of the last failure (SQLITE_CORRUPT and
    // the like) and its words for it.
    int lastCode() const { return m_lastCode; }
    const QString &lastError() const { return m_lastError; }

    // A prepared statement. run() and query() bind their arguments in order,
    // from the first placeholder; a null QString or std::nullopt binds NULL.
    class Statement {
    public:
        Statement(SqliteConnection &connection, const char *sql);
        ~Statement();
        Statement(const Statement &) = delete;
        Statement &operator=(const Statement &) = delete;

        // Runs the statement to its end.
        template <typename... Values> bool run(const Values &...values)
        {
            return start(values...) && finish();
        }
        // Starts the statement; next() then steps through its rows.
        template <typename... Values> bool query(const Values &...values)
        {
            return start(values...);
        }
        bool next();

        bool isNull(int column) const;
        qint64 integer(int column) const;
        QString text(int column) const;
        QByteArray blob(int column) const;

    private:
        template <typename... Values> bool start(const Values &...values)
        {
            if (!reset())
                return false;
            int index = 0;
            return (bind(++index, values) && ...);
        }
        bool reset();
        bool finish();
        bool bind(int index, qint64 value);
        bool bind(int index, int value) { return bind(index, qint64(value)); }
        bool bind(int index, const QString &value);
        bool bind(int index, const QByteArray &value);
        bool bind(int index, const std::optional<QString> &value);
        bool check(int code);

        SqliteConnection &m_connection;
        sqlite3_stmt *m_statement = nullptr;
    };

private:
    bool fail(int code);

    sqlite3 *m_db = nullptr;
    int m_lastCode = 0;
    QString m_lastError;
};
