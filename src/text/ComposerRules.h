#pragma once

#include "text/StyledText.h"

#include <QColor>
#include <QString>
#include <QVariantMap>

// What the composer does with its text, without a window: the kind of post
// being written, the remaining-character counter, the length limit and the
// texts a reply and a quote start with. Lengths are UTF-16 code units, as the
// service counts them, so an emoji outside the basic plane counts two.
namespace ComposerRules {

// The longest text that still takes another character.
inline constexpr qsizetype maximumLength = 255;

// The kind of post being written ("currentPostType"). A quote is sent as a
// reply to the quoted post.
enum PostType : quint64 {
    NewPost = 0,
    Reply = 1,
    Quote = 2,
};

// "postTemplate", "replyTemplate" or "quoteTemplate"; a value outside the
// three reads as a new post.
QString buttonImageFor(quint64 postType);
bool isKnownPostType(quint64 postType);
// Whether a post of this kind names the post it answers (reply or quote).
bool answersAPost(quint64 postType);

struct Counter {
    bool visible = false; // hidden while the composer is empty
    qsizetype remaining = 0; // 255 - length; negative past the limit
    QColor color;
    QString text() const { return QString::number(remaining); }
};

// Green while at least 20 remain, orange from 19 down to 10, red from 9 down.
QColor counterGreen();
QColor counterOrange();
QColor counterRed();
Counter counterFor(qsizetype length);

// The length limit: a change that puts text in is refused once the composer
// holds 255 units or more; a change that only removes text always goes
// through. It looks at the length now, not at what the change would make of
// it, so a long paste into a short text is taken whole.
bool allowsChange(qsizetype currentLength, const QString &replacement);

// The text a reply starts with: "@author " and then "@name " for every
// mention of the post, in the post's order, but the signed-in user's. The
// author is always named (also when it is the signed-in user, and again when
// the post mentions them); a name mentioned twice is named twice.
QString replyText(const QVariantMap &post, const QString &meID);

// The text a quote starts with: "» @author  text " (two spaces after the
// name, one at the end).
QString quoteText(const QVariantMap &post);

// Whether a pasted text goes to the link shortener first: longer than 20
// units, holding "http://" or "https://", and one piece without white space
// (a sentence with a link in it is pasted as it is). A link with a "#" stays
// as it is too: the fragment would not reach the shortener, and its short
// link would lead elsewhere.
bool pasteShouldBeShortened(const QString &pasted);

// The composer's look: "Lucida Grande" at the size of the font-size
// preference, dark grey, with the soft white shadow of the post texts.
BaseTextStyle composerTextStyle(qint64 prefsFontSize);

} // namespace ComposerRules
