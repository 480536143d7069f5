#pragma once

#include "data/Store.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

namespace sandbox {

// Generated stream answers that a well-behaved service never sends, for the
// fault field "hostile". Each post in them is a copy of one of the newest
// stored posts as the viewer sees it (user with avatar_image, source,
// entities, counts), given a fresh id counting down from kFirstId, its own
// thread and no reply_to; only the part a page is about differs:
// - "longWord": one post whose text is one word of kLongWordLength letters.
// - "denseEntities": one post whose text is "#tag @alice a.com " repeated
//   kDenseRepeats times, with every hashtag, mention and link as an entity.
// - "deepNesting": not posts, but kNestingDepth arrays nested in one another.
// - "postsWithoutIds": seven posts: complete; without "id"; without "user";
//   without "text" (and "html"); with "id", "user" and "text" null; with "id"
//   "", "user" {} and "text" ""; complete.
// - "badDates": nine posts whose "created_at" is "YESTERDAY", "",
//   "2024-13-45T25:61:61Z", "2024-02-30T12:00:00Z", "1700000000", the number
//   1700000000, null, "Tue, 05 Mar 2024 10:00:00 GMT", or missing.
// - "longIds": five posts whose ids (and thread ids, and their authors' ids)
//   are 40-digit decimal numbers, newest first; the last four reply to the
//   one before them.
// - "hugeAnswer": a JSON array of posts of about a given size (hugePage).
class HostilePages {
public:
    static constexpr Id kFirstId = 999'999'999;
    static constexpr int kLongWordLength = 200'000;
    static constexpr int kDenseRepeats = 11'000;
    static constexpr int kNestingDepth = 100'000;

    HostilePages(const Store &store, const QString &baseUrl, Id viewer, const QDateTime &now);

    // The body of any kind but "hugeAnswer"; empty for a name it does not know.
    QByteArray page(const QString &kind) const;

    // The posts the generated ones are copies of: the newest `count`.
    QList<QJsonObject> samplePosts(int count = 40) const;
    // A JSON array of copies of `samples`, newest first, as large as fits in
    // `sizeBytes` and at least one post. Made piece by piece into one buffer,
    // so it costs little more than its own size; uses no shared state, so it
    // may run on a worker thread.
    static QByteArray hugePage(
        const QList<QJsonObject> &samples, qint64 sizeBytes, const QDateTime &now);

private:
    QByteArray longWord() const;
    QByteArray denseEntities() const;
    QByteArray postsWithoutIds() const;
    QByteArray badDates() const;
    QByteArray longIds() const;

    const Store &m_store;
    QString m_base;
    Id m_viewer;
    QDateTime m_now;
    QList<QJsonObject> m_samples;
};

} // namespace sandbox
