#include "desktop/X11IdleTimeSource.h"

#include "desktop/IdleTimeError.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

struct X11IdleTimeSource::Connection {
    Display *display = nullptr;
    XScreenSaverInfo *info = nullptr;
    // Set by Xlib when the server goes away; the connection is dead from then on.
    bool lost = false;

    ~Connection();
};

namespace {

// Xlib's default reaction to a lost server is to end the process, first in the
// process-wide handler, then in the per-connection exit handler. Losing the
// idle time is not worth that: the calls on our connection run with a
// handler that returns, and the exit handler only notes the loss for read().
int returnFromIOError(Display *)
{
    return 0;
}

void noteLostConnection(Display *, void *data)
{
    static_cast<X11IdleTimeSource::Connection *>(data)->lost = true;
}

// The process-wide handler is swapped only around our own calls (main thread
// only), so whatever handler the toolkit installed stays in charge of its own
// connection.
class TolerantIOErrors {
public:
    TolerantIOErrors()
        : m_previous(XSetIOErrorHandler(returnFromIOError))
    {
    }
    ~TolerantIOErrors() { XSetIOErrorHandler(m_previous); }
    TolerantIOErrors(const TolerantIOErrors &) = delete;
    TolerantIOErrors &operator=(const TolerantIOErrors &) = delete;

private:
    XIOErrorHandler m_previous;
};

[[noreturn]] void fail(const char *name, const char *reason)
{
    throw IdleTimeError(QString::fromLatin1(name), QString::fromLatin1(reason));
}

} // namespace

X11IdleTimeSource::Connection::~Connection()
{
    if (info)
        XFree(info);
    if (display) {
        TolerantIOErrors tolerant;
        XCloseDisplay(display);
    }
}

X11IdleTimeSource::X11IdleTimeSource(const QByteArray &displayName)
    : m_connection(std::make_unique<Connection>())
{
    m_connection->display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!m_connection->display)
        fail(idletimeerrors::connectionError, "Error communicating with the X server");
    XSetIOErrorExitHandler(m_connection->display, noteLostConnection, m_connection.get());

    TolerantIOErrors tolerant;
    int eventBase = 0;
    int errorBase = 0;
    if (m_connection->lost
        || !XScreenSaverQueryExtension(m_connection->display, &eventBase, &errorBase))
        fail(idletimeerrors::facilityError, "Error accessing the X screen-saver extension");

    m_connection->info = XScreenSaverAllocInfo();
    if (!m_connection->info)
        fail(idletimeerrors::iteratorError, "Invalid iterator");
}

X11IdleTimeSource::~X11IdleTimeSource() = default;

IdleValue X11IdleTimeSource::read()
{
    Connection &c = *m_connection;
    TolerantIOErrors tolerant;
    if (c.lost || !XScreenSaverQueryInfo(c.display, DefaultRootWindow(c.display), c.info) || c.lost)
        fail(idletimeerrors::propertiesError, "Cannot get system properties");
    return qint64(c.info->idle) * 1000000;
}
