#pragma once

#include <QtGlobal>

// The stream shown in the list. 0-3 and Starred are the side bar's streams;
// 7 names no stream.
enum StreamKind : quint64 {
    StreamKindPersonal = 0,
    StreamKindOwnPosts = 1,
    StreamKindMentions = 2,
    StreamKindGlobal = 3,
    StreamKindUser = 4,
    StreamKindHashtag = 5,
    StreamKindConversation = 6,
    StreamKindNone = 7,
    StreamKindStarred = 8,
};

// The side bar's row for a stream kind and back (row 4 is Starred).
inline quint64 streamKindForSideBarRow(qint64 row)
{
    return row == 4 ? StreamKindStarred : static_cast<quint64>(row);
}
