#include "CommandLine.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace sandbox {

std::optional<CommandLine> parseCommandLine(
    const QStringList &arguments, QString *message, bool *help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A local stand-in for every outside host Velto talks to: the stream API under /stream/0, "
        u"the sign-in page, the link shortener, the image host, the maker's site and avatars. "
        u"Listens on 127.0.0.1 only."_s);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption port(
        u"port"_s, u"Port to listen on; 0 or absent picks a free one."_s, u"N"_s, u"0"_s);
    const QCommandLineOption seed(
        u"seed"_s, u"Seed of the generated world (default 1)."_s, u"N"_s, u"1"_s);
    const QCommandLineOption state(u"state"_s,
        u"Load the state from FILE if it exists and save every change to it."_s, u"FILE"_s);
    const QCommandLineOption demo(
        u"demo"_s, u"Post a new mention of the demo user every minute."_s);
    const QCommandLineOption quiet(u"quiet"_s, u"Do not log requests on stderr."_s);
    const QCommandLineOption interval(u"mention-interval"_s,
        u"Seconds between the demo's mentions (default 60)."_s, u"SECONDS"_s, u"60"_s);
    const QCommandLineOption latency(u"latency"_s,
        u"Delay every answer but the control routes' by MS milliseconds, "
        u"as a distant service would (default 0)."_s,
        u"MS"_s, u"0"_s);
    const QCommandLineOption jitter(u"latency-jitter"_s,
        u"Add up to MS milliseconds more, drawn for each answer (default 0)."_s, u"MS"_s, u"0"_s);
    parser.addOptions({ port, seed, state, demo, quiet, interval, latency, jitter });

    *help = false;
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(helpOption)) {
        *help = true;
        *message = parser.helpText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = u"unexpected argument: %1"_s.arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    CommandLine line;
    bool ok = false;
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue > 65535) {
        *message = u"--port wants a number from 0 to 65535, not \"%1\""_s.arg(parser.value(port));
        return std::nullopt;
    }
    line.port = quint16(portValue);
    line.service.seed = parser.value(seed).toULongLong(&ok);
    if (!ok) {
        *message = u"--seed wants a whole number, not \"%1\""_s.arg(parser.value(seed));
        return std::nullopt;
    }
    const uint seconds = parser.value(interval).toUInt(&ok);
    if (!ok || seconds == 0 || seconds > 86400) {
        *message = u"--mention-interval wants seconds from 1 to 86400, not \"%1\""_s.arg(
            parser.value(interval));
        return std::nullopt;
    }
    line.service.demoMentionIntervalMs = int(seconds) * 1000;
    for (const auto &[option, target] : { std::pair { &latency, &line.service.latencyMs },
             std::pair { &jitter, &line.service.latencyJitterMs } }) {
        const uint ms = parser.value(*option).toUInt(&ok);
        if (!ok || ms > uint(Latency::kMaxMs)) {
            *message
                = u"--%1 wants milliseconds from 0 to %2, not \"%3\""_s.arg(option->names().first())
                      .arg(Latency::kMaxMs)
                      .arg(parser.value(*option));
            return std::nullopt;
        }
        *target = int(ms);
    }
    line.service.stateFile = parser.value(state);
    line.service.demo = parser.isSet(demo);
    line.quiet = parser.isSet(quiet);
    return line;
}

} // namespace sandbox
