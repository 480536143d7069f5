#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Every address outside the program. Each has a compiled-in default, may be
// set in the preferences store (same names as the environment variables,
// under the group "OutsideAddresses"), and is overridden by an environment
// variable, which is how the demo and the tests point Velto at the sandbox.
struct OutsideAddresses {
    QString apiBase; // VELTO_API_BASE, path "/stream/0"
    QString siteBase; // VELTO_SITE_BASE: sign-in page and post permalinks
    QString probeUrl; // VELTO_PROBE_URL: the reachability probe
    QString shortenerBase; // VELTO_SHORTENER_BASE: "/create.php"
    QString imageHostBase; // VELTO_IMAGE_HOST_BASE: "/img.php" and "/img/"
    QString makerSiteBase; // VELTO_MAKER_SITE_BASE: version file, notes, download, help

    static OutsideAddresses defaults();

    // Defaults, then the preferences store, then the environment.
    static OutsideAddresses load();

    // The addresses the running program uses (load() on first use).
    static const OutsideAddresses &current();
    static void setCurrent(const OutsideAddresses &addresses);

    // The environment variable names, which are also the stored keys.
    static QStringList variableNames();
    static QString storedKey(const QString &variableName);
    // Why `text` cannot be an address (an http or https URL with a host and
    // nothing but a path after it), or empty when it can.
    static QString addressProblem(const QString &text);
};
