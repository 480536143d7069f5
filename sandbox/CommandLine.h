#pragma once

#include "SandboxService.h"

#include <QStringList>

#include <optional>

namespace sandbox {

struct CommandLine {
    quint16 port = 0;
    bool quiet = false;
    ServiceOptions service;
};

// velto-sandbox [--port N] [--seed N] [--state FILE] [--demo] [--quiet]
//               [--mention-interval SECONDS] [--latency MS] [--latency-jitter MS]
// Nothing, with a message for the user, when an argument is wrong; `help`
// is set instead when --help was asked for (the text is in `message`).
std::optional<CommandLine> parseCommandLine(
    const QStringList &arguments, QString *message, bool *help);

} // namespace sandbox
