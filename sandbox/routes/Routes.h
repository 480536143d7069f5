#pragma once

#include "http/Router.h"

namespace sandbox {

class SandboxService;

// Each adds one host's routes; handlers keep a pointer to the service.
// API patterns are relative to "/stream/0", the others to the root.
void addApiReadRoutes(Router &api, SandboxService &service);
void addApiWriteRoutes(Router &api, SandboxService &service);
void addSiteRoutes(
    Router &site, SandboxService &service); // root page, sign-in, permalinks, apps, help
void addHostRoutes(
    Router &site, SandboxService &service); // avatars, shortener, image host, maker's site
void addControlRoutes(Router &control, SandboxService &service); // relative to "/_sandbox"

} // namespace sandbox
