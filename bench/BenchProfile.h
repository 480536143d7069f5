#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

// Benchmarks run on the offscreen platform with private XDG folders and
// without a keyring, so they never read or write the user's own Velto
// settings or keyring. Make one before the
// application object and keep it for the whole run.
class BenchProfile {
public:
    BenchProfile()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("VELTO_KEYRING", "off");
        const QByteArray path = m_home.path().toUtf8();
        for (const char *name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            qputenv(name, path);
    }

private:
    QTemporaryDir m_home;
};
