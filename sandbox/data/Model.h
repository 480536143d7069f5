#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace sandbox {

using Id = qint64;

// The application a post was written with.
struct Source {
    QString name;
    QString link;
    QString clientId;
};

struct MentionEntity {
    QString name; // the user's name as registered, without "@"
    Id userId = 0;
    int pos = 0; // UTF-16 units
    int len = 0;
};

struct HashtagEntity {
    QString name; // without "#", as written
    int pos = 0;
    int len = 0;
};

struct LinkEntity {
    QString text; // as written
    QString url; // with "http://" in front when the text has no scheme
    int pos = 0;
    int len = 0;
};

struct TextEntities {
    QList<MentionEntity> mentions;
    QList<HashtagEntity> hashtags;
    QList<LinkEntity> links;
};

struct User {
    Id id = 0;
    QString username; // letters, digits and "_"; unique regardless of case
    QString name;
    QString description;
    QString password; // the sign-in page's check; the sandbox holds no secrets
    QString avatar; // name of the picture under /avatars/<avatar>.png
    QDateTime createdAt;
};

struct Post {
    Id id = 0;
    Id userId = 0;
    QString text;
    QDateTime createdAt;
    Id replyTo = 0; // 0 when the post answers nobody
    Id threadId = 0; // id of the conversation's first post (its own id for a first post)
    Source source;
    bool deleted = false;
    TextEntities entities; // computed once from the text when the post is made
};

// Longest text a post may have, in UTF-16 units.
inline constexpr int kMaxPostLength = 256;

} // namespace sandbox
