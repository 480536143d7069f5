#pragma once

#include "desktop/IdleTimeSource.h"

#include <QByteArray>

#include <memory>

// The idle time from the X server's MIT-SCREEN-SAVER extension, over a
// connection of its own so that it works whatever Qt platform plugin runs.
// The server counts milliseconds; read() answers nanoseconds.
class X11IdleTimeSource : public IdleTimeSource {
public:
    // `displayName` empty means $DISPLAY. Throws IdleTimeError when the server
    // cannot be reached or lacks the extension.
    explicit X11IdleTimeSource(const QByteArray &displayName = {});
    ~X11IdleTimeSource() override;

    IdleValue read() override;

    struct Connection;

private:
    std::unique_ptr<Connection> m_connection;
};
