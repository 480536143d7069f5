#pragma once

#include "support/SqliteConnection.h"

#include <QDateTime>
#include <QJsonArray>
#include <QMetaType>
#include <QString>

#include <optional>

// Where the reader was in one stream: the post at the top of the visible
// part and how many pixels of its row lie above it, and the selected post.
struct StoredPlace {
    QString topPostId;
    int offset = 0;
    QString selectedPostId;
    bool operator==(const StoredPlace &) const = default;
};

// A stream's stored posts, newest first, each with its user, as the service
// sent them; `savedAt` is when the newest page of them arrived.
struct StoredPage {
    QJsonArray posts;
    QDateTime savedAt;
    std::optional<StoredPlace> place;
};

// The last pages of the main streams in one SQLite file, with
// write-ahead logging: a process killed in the middle of a write leaves the
// file as it was before that write. Each post is kept as the service sent it
// (its user taken out and kept once in a table of users), keyed by stream
// and id, so a stored page is read back into the same page processing as a
// network page. Every write is one transaction. The database is bounded: a
// stream keeps its newest `postsPerStream` posts, and when the posts of all
// streams together pass `sizeCap` bytes the oldest go first.
//
// Not thread-safe: one object lives on one thread (PostStore's worker) with
// a connection of its own.
class StoreDatabase {
public:
    // The schema this program writes; a file of a higher version came from a
    // newer program and is left alone.
    static constexpr int schemaVersion = 1;
    static constexpr int postsPerStream = 400;
    static constexpr qint64 defaultSizeCap = 16 * 1024 * 1024;

    enum class OpenResult {
        Opened, // ready (perhaps made anew)
        SetAside, // the file was damaged, moved aside; a new one is ready
        Newer, // from a newer program: left alone, nothing kept this run
        Locked, // another program holds it: nothing kept this run
        Failed, // cannot be made (no folder, no room)
    };

    explicit StoreDatabase(qint64 sizeCap = defaultSizeCap);
    ~StoreDatabase();
    StoreDatabase(const StoreDatabase &) = delete;
    StoreDatabase &operator=(const StoreDatabase &) = delete;

    // Opens or makes the file at `path`. A file that is not a database or
    // fails its integrity check is renamed "<name>.damaged-<time>" (never
    // deleted) and a new one made in its place.
    OpenResult open(const QString &path);
    bool isOpen() const { return m_open; }
    // The name the damaged file was given, after SetAside.
    const QString &setAsidePath() const { return m_setAside; }
    // One line for the log about what open() found; empty when all was well.
    const QString &openReport() const { return m_report; }

    // Keeps a page the service answered for `stream`. `newest`: the first
    // page of the stream (no "before_id"): the stored posts newer than its
    // oldest one that it no longer holds were deleted on the service and go.
    // An older page replaces the stored posts in the span of time it covers.
    bool savePage(int stream, const QJsonArray &page, bool newest,
        const QDateTime &now = QDateTime::currentDateTimeUtc());
    // The newest `count` stored posts of `stream`, reaching down to the
    // stored place's posts when they are older (at most postsPerStream).
    StoredPage loadPage(int stream, int count) const;
    // The reader's place when the program last ended; only the last one is kept.
    bool savePlace(int stream, const StoredPlace &place);
    std::optional<StoredPlace> loadPlace(int stream) const;
    qint64 postCount(int stream) const;
    qint64 storedBytes() const;

    // The last write's failure ("database or disk is full" and the like).
    const QString &lastError() const { return m_lastError; }

    void close();

private:
    bool openConnection(const QString &path);
    bool looksWhole();
    bool makeSchema();
    int fileSchemaVersion();
    bool setAside(const QString &path);
    bool exec(const char *statement);
    bool trim(int stream);
    bool failWrite();

    // Reading is const for callers but steps SQLite statements.
    mutable SqliteConnection m_db;
    QString m_path;
    qint64 m_sizeCap;
    bool m_open = false;
    QString m_setAside;
    QString m_report;
    QString m_lastError;
};

Q_DECLARE_METATYPE(StoreDatabase::OpenResult)
