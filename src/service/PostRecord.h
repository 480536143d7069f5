#pragma once

#include "text/StyledText.h"

#include <QImage>
#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <optional>

// One post as the list holds it: the service's post object as it came (every
// field kept, nested objects untouched) plus what the client adds for showing
// it, the styled text and the avatar fitted to 48 x 48.
struct PostRecord {
    QVariantMap post;
    StyledText attributedString;
    // Null when the avatar could not be fetched or decoded.
    QImage theAvatarImage;

    static PostRecord fromJson(const QJsonObject &object);

    // The fields the program reads. Numbers sent where strings were expected
    // read as their decimal text; anything else missing reads as empty.
    QString id() const;
    QString createdAt() const;
    QString text() const;
    QString userId() const;
    QString username() const;
    QString name() const;
    QString avatarUrl() const;
    QString sourceName() const;
    QString sourceLink() const;
    // The key "reply_to" is there, whatever its value (JSON null included).
    bool hasReplyTo() const;
    bool youStarred() const;
    // The ids of the users the post mentions, in order.
    QStringList mentionIds() const;
    // The id of the mention whose name is `name`, if the post has one.
    std::optional<QString> mentionIdForName(const QString &name) const;
};

Q_DECLARE_METATYPE(PostRecord)

// The facts of the selected post that menus, actions and rows depend on.
struct SelectedPostFacts {
    QString replyOrQuoteID;
    QString sourceName; // "Via %@"
    bool hasReplies = false;
    bool isPostStarred = false;
    bool isMe = false;
    QString starItemTitle; // "Star Post" or "Unstar Post"

    static SelectedPostFacts from(const PostRecord &record, const QString &meID);
};

// The one-way transformers the rows use to show or hide their parts.
namespace PostTransformers {
// True when the post is not the signed-in user's own (none gives false).
bool isMEtoBOOL(const PostRecord *record, const QString &meID);
// True unless one of the post's mentions is the signed-in user (none gives true).
bool isMentiontoBOOL(const PostRecord *record, const QString &meID);
bool isNOTMentiontoBOOL(const PostRecord *record, const QString &meID);
} // namespace PostTransformers
