#pragma once

#include "data/Store.h"

#include <QRandomGenerator>

namespace sandbox {

// Fixed facts of the seeded world that tests and the demo rely on.
inline constexpr Id kDemoUserId = 1; // "demo", the signed-in demo user
inline constexpr Id kMakerUserId = 2; // "velto", the maker's account
inline constexpr char kDemoUsername[] = "demo";
inline constexpr char kDemoPassword[] = "demo";
inline constexpr char kOtherUsersPassword[] = "password";
inline constexpr char kVeltoClientId[] = "Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U";
inline constexpr int kSampleImageCount = 8; // /img/sample-1.png ... sample-8.png
// How much later than others /img/slow-N.png is answered.
inline constexpr int kSlowPictureMs = 8000;

// Fills an empty store with a believable world: about 45 users, 650 posts over
// the last four months (the newest a few minutes before `anchor`), mentions of
// the demo user, hashtags, links with and without scheme, conversations up to
// seven levels deep, stars, follows both ways, emoji and right-to-left text.
// The same seed and anchor give the same world; `baseUrl` is the sandbox's own
// address, used in links to its image host and application pages.
void seedStore(Store &store, quint64 seed, const QDateTime &anchor, const QString &baseUrl);

// The applications posts are written with; index 0 is Velto itself.
QList<Source> seedSources(const QString &baseUrl);

// A post for the demo's periodic mention: from a seeded user other than the
// demo user, text mentioning "@demo". Draws from `rng`.
std::pair<Id, QString> demoMention(
    const Store &store, QRandomGenerator &rng, const QString &baseUrl);

} // namespace sandbox
