#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The stream shown in the list. The numbers are the ones the service's
// clients have always used; Personal to Global and Starred are the side bar's
// streams, None names no stream.
enum class StreamKind : quint64 {
    Personal = 0,
    OwnPosts = 1,
    Mentions = 2,
    Global = 3,
    User = 4,
    Hashtag = 5,
    Conversation = 6,
    None = 7,
    Starred = 8, // also the saved posts
};

// The four main streams that swipes cycle through, the starred posts and
// nothing else: the streams the program can return to.
constexpr bool isTopLevel(StreamKind kind)
{
    return kind == StreamKind::Personal || kind == StreamKind::OwnPosts
        || kind == StreamKind::Mentions || kind == StreamKind::Global
        || kind == StreamKind::Starred;
}

// One of the four main streams (Personal to Global).
constexpr bool isMainStream(StreamKind kind)
{
    return kind == StreamKind::Personal || kind == StreamKind::OwnPosts
        || kind == StreamKind::Mentions || kind == StreamKind::Global;
}

// A stream reached from a post: one user's posts, a hashtag or a conversation.
constexpr bool isSecondary(StreamKind kind)
{
    return kind == StreamKind::User || kind == StreamKind::Hashtag
        || kind == StreamKind::Conversation;
}

// The side bar's rows: 0-3 are the main streams, row 4 is Starred. Any other
// row names the personal stream.
constexpr StreamKind streamKindForSideBarRow(qint64 row)
{
    switch (row) {
    case 1:
        return StreamKind::OwnPosts;
    case 2:
        return StreamKind::Mentions;
    case 3:
        return StreamKind::Global;
    case 4:
        return StreamKind::Starred;
    default:
        return StreamKind::Personal;
    }
}

// The side bar's row of a stream; none for the streams reached from a post.
constexpr std::optional<int> sideBarRowForStreamKind(StreamKind kind)
{
    switch (kind) {
    case StreamKind::Personal:
        return 0;
    case StreamKind::OwnPosts:
        return 1;
    case StreamKind::Mentions:
        return 2;
    case StreamKind::Global:
        return 3;
    case StreamKind::Starred:
        return 4;
    default:
        return std::nullopt;
    }
}

// Swiping steps through the four main streams in a circle.
constexpr StreamKind previousMainStream(StreamKind kind)
{
    switch (kind) {
    case StreamKind::OwnPosts:
        return StreamKind::Personal;
    case StreamKind::Mentions:
        return StreamKind::OwnPosts;
    case StreamKind::Global:
        return StreamKind::Mentions;
    default:
        return StreamKind::Global;
    }
}

constexpr StreamKind nextMainStream(StreamKind kind)
{
    switch (kind) {
    case StreamKind::Personal:
        return StreamKind::OwnPosts;
    case StreamKind::OwnPosts:
        return StreamKind::Mentions;
    case StreamKind::Mentions:
        return StreamKind::Global;
    default:
        return StreamKind::Personal;
    }
}

// The stored number of a kind, and back (nothing for a number that names none).
constexpr quint64 streamKindNumber(StreamKind kind)
{
    return static_cast<quint64>(kind);
}

constexpr std::optional<StreamKind> streamKindFromNumber(quint64 number)
{
    if (number > 8)
        return std::nullopt;
    return static_cast<StreamKind>(number);
}

// For logs and test output.
QString streamKindName(StreamKind kind);
