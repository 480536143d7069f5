#pragma once

#include "data/Model.h"

#include <functional>
#include <optional>

namespace sandbox {

// How the service finds entities in a post's text (positions in UTF-16 units):
// - links: "http://" or "https://" followed by anything up to white space;
//   "www." likewise; a bare host name ending in a common top-level domain
//   (com, org, net, io, dev, app, de, fr, uk, info, me) with an optional path.
//   A link does not start right after a letter, digit, "@", ".", "/" or "-"
//   (so the host of an e-mail address is no link). Trailing . , ; : ! ? ' "
//   are not part of it, nor is a ")" without its "(". A link without a scheme
//   gets the url "http://" + text.
// - hashtags: "#" followed by letters, digits, "_" or "-" (ASCII), not right
//   after a letter, digit or "_", and not inside a link.
// - mentions: "@" followed by letters, digits or "_" (ASCII), not right after
//   a letter, digit or "_", not inside a link, and only for names of existing
//   users (the lookup answers the user's id and registered name).
using UserLookup = std::function<std::optional<std::pair<Id, QString>>(const QString &name)>;

QList<LinkEntity> findLinks(const QString &text);
TextEntities extractEntities(const QString &text, const UserLookup &lookup);

} // namespace sandbox
