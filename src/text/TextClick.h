#pragma once

#include "text/StyledText.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// What a click on a character of post text asks for, and carrying it out.
// The widgets and the timeline delegate only find the character; these decide.
struct ClickActions {
    std::optional<QUrl> link; // to open (the value made into a URL)
    std::optional<QString> hashtag; // "#tag": its stream is loaded
    std::optional<QString> user; // "@name": the user's stream is loaded

    bool isEmpty() const { return !link && !hashtag && !user; }
};

namespace TextClick {

// A link value with a scheme ("http://", "https://", any other "scheme://",
// "mailto:"; letter case ignored) is kept; anything else is a web address
// missing its scheme and gets "http://" in front.
QString linkStringForValue(const QString &value);
// That string as a URL; invalid when it cannot be one.
QUrl urlForLinkValue(const QString &value);

ClickActions actionsFor(const TextAttributes &attributes);
// Nothing for an index outside the text.
ClickActions actionsAt(const StyledText &text, int index);

// Hands a web or e-mail link to the desktop (UrlOpener::openFromService);
// any other, or one nothing opens, is said in an alert.
void openLink(const QUrl &url);
// Writes "currentHashtag" and posts "LOADHASHNF" with the tag.
void loadHashtag(const QString &hashtag);
// Writes "currentUser" and posts "LOADUSERNF" with the name.
void loadUser(const QString &user);

// The post text rule: open the link, then the hashtag, then the user, each
// that the character carries. Answers whether anything was done. Links go
// to `open` (the desktop unless given; the list and the text views probe
// them first).
using LinkOpening = std::function<void(const QUrl &)>;
bool performPostTextClick(const ClickActions &actions, const LinkOpening &open = {});

} // namespace TextClick
