#pragma once

#include "data/Store.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

namespace sandbox {

// Post and user objects as the stream API answers them, seen by one user
// (`viewer`): "you_starred", "you_follow", "follows_you" and "you_muted" are
// about that user. Ids are decimal strings, times "yyyy-MM-ddTHH:mm:ssZ" in
// UTC, "follows_you" and "you_follow" the numbers 0 or 1. "reply_to" holds the
// parent's id on a reply, is JSON null on the first post of a conversation
// that has replies, and is absent on a post that is part of no conversation.
class JsonRenderer {
public:
    JsonRenderer(const Store &store, QString baseUrl, Id viewer);

    QJsonObject user(const User &user) const;
    QJsonObject post(const Post &post) const;
    QJsonArray posts(const QList<const Post *> &posts) const;
    QJsonArray users(const QList<Id> &ids) const;

    static QString timestamp(const QDateTime &time);
    QString avatarUrl(const User &user) const;
    QString permalink(const Post &post) const;
    static QJsonObject entities(const TextEntities &entities);

private:
    const Store &m_store;
    QString m_base;
    Id m_viewer;
    mutable QHash<Id, QJsonObject> m_users; // a page names the same authors many times
};

} // namespace sandbox
