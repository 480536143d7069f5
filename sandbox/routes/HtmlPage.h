#pragma once

#include <QString>

namespace sandbox {

// A small, complete HTML page with the sandbox's style. `body` is HTML and
// must already be escaped where it carries outside text.
QString htmlPage(const QString &title, const QString &body);

} // namespace sandbox
