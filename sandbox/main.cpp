// velto-sandbox: the local service Velto's demo and tests talk to.
#include "CommandLine.h"
#include "SandboxService.h"
#include "StopSignals.h"
#include "http/SandboxHttpServer.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velto-sandbox"));

    QString message;
    bool help = false;
    const auto line = sandbox::parseCommandLine(QCoreApplication::arguments(), &message, &help);
    if (!line) {
        std::fprintf(
            help ? stdout : stderr, "%s%s\n", help ? "" : "velto-sandbox: ", qPrintable(message));
        return help ? 0 : 2;
    }

    sandbox::SandboxService service(line->service);
    sandbox::SandboxHttpServer server(&service);
    server.setLogging(!line->quiet);
    const quint16 port = server.listenOnLoopback(line->port);
    if (port == 0) {
        std::fprintf(
            stderr, "velto-sandbox: cannot listen on 127.0.0.1:%u\n", unsigned(line->port));
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    QString startMessage;
    service.start(base, &startMessage);
    if (!startMessage.isEmpty())
        std::fprintf(stderr, "velto-sandbox: %s\n", qPrintable(startMessage));

    // Whoever started us waits for this line: it must come first and at once,
    // and a stop signal right after it must already end us cleanly.
    sandbox::quitOnStopSignals();
    std::printf("velto-sandbox listening on %s\n", qPrintable(base));
    std::fflush(stdout);

    const int status = QCoreApplication::exec();
    QString error;
    if (!service.saveState(&error))
        std::fprintf(stderr, "velto-sandbox: cannot save the state: %s\n", qPrintable(error));
    return status;
}
