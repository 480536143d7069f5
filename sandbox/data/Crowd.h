#pragma once

#include "data/Store.h"

namespace sandbox {

// Made-up users in bulk, for trying lists and polls at scale: each has a
// unique name of letters, digits and "_" (at most 20), a display name, a
// short description, the password "password" and an avatar of its own name.
// Names are numbered on from the number of users there are ("ben_lind46",
// "cleo_lind47", ...), so calling it again adds others. Answers the new users' ids, in order.
QList<Id> addCrowd(Store &store, int count, const QDateTime &now);

} // namespace sandbox
