#include "core/StreamKind.h"

QString streamKindName(StreamKind kind)
{
    switch (kind) {
    case StreamKind::Personal:
        return QStringLiteral("personal");
    case StreamKind::OwnPosts:
        return QStringLiteral("own posts");
    case StreamKind::Mentions:
        return QStringLiteral("mentions");
    case StreamKind::Global:
        return QStringLiteral("global");
    case StreamKind::User:
        return QStringLiteral("user");
    case StreamKind::Hashtag:
        return QStringLiteral("hashtag");
    case StreamKind::Conversation:
        return QStringLiteral("conversation");
    case StreamKind::None:
        return QStringLiteral("none");
    case StreamKind::Starred:
        return QStringLiteral("starred");
    }
    return QStringLiteral("unknown");
}
