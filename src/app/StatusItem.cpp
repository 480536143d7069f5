#include "app/StatusItem.h"

#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "platform/BusProbe.h"
#include "views/ProgramImages.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

StatusItem::StatusItem(MainWindow *window, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_menu(menu)
{
    if (m_menu) {
        connect(m_menu, &QMenu::aboutToShow, this,
            [this] { showPicture(QStringLiteral("status_on")); });
        connect(m_menu, &QMenu::aboutToHide, this, [this] { setNewMentionsWaiting(m_waiting); });
    }
}

StatusItem::~StatusItem()
{
    hideStatusItem();
}

namespace {

const QString trayWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr int trayWatcherPatienceMs = 3000;
constexpr int trayWatcherRetryMs = 10000;

} // namespace

void StatusItem::makeStatusItem()
{
    m_wanted = true;
    if (m_icon || m_askingTray)
        return;
    // The toolkit asks a desktop's tray watcher with calls that wait on the
    // window's thread: one that is on the bus but hung would hold the window
    // for many seconds. So it is asked first, without waiting.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!busprobe::isOffered(bus, trayWatcher)) {
        showStatusItem();
        return;
    }
    m_askingTray = true;
    busprobe::ask(bus,
        busprobe::propertyQuestion(trayWatcher, QStringLiteral("/StatusNotifierWatcher"),
            trayWatcher, QStringLiteral("IsStatusNotifierHostRegistered")),
        trayWatcherPatienceMs, this, [this](bool answered) {
            m_askingTray = false;
            if (answered) {
                if (m_wanted)
                    showStatusItem();
                return;
            }
            // A tray that is slow at the start of a session may answer later.
            qWarning("The desktop's tray does not answer: the tray item waits for it");
            QTimer::singleShot(trayWatcherRetryMs, this, [this] {
                if (m_wanted)
                    makeStatusItem();
            });
        });
}

void StatusItem::showStatusItem()
{
    m_icon = new QSystemTrayIcon(this);
    m_icon->setToolTip(QStringLiteral("Velto"));
    if (m_menu)
        m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                statusItemAction();
        });
    setNewMentionsWaiting(m_waiting);
    m_icon->show();
    QCoreApplication::instance()->installEventFilter(this);
    // Hidden, the window can come back from here; without a tray to show
    // the item it stays minimised instead.
    m_window->setHideToTray(QSystemTrayIcon::isSystemTrayAvailable());
}

void StatusItem::hideStatusItem()
{
    m_wanted = false;
    if (!m_icon)
        return;
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
    m_picture.clear();
    if (m_window)
        m_window->setHideToTray(false);
}

void StatusItem::toggleStatusItem()
{
    if (Preferences::standard().value(prefs::prefsShowStatusItem))
        makeStatusItem();
    else
        hideStatusItem();
}

void StatusItem::setNewMentionsWaiting(bool waiting)
{
    m_waiting = waiting;
    showPicture(waiting ? QStringLiteral("status_off_blue") : QStringLiteral("status_off"));
}

void StatusItem::showPicture(const QString &name)
{
    if (!m_icon)
        return;
    m_picture = name;
    // Trays ask for sizes of their own, up to 64 px.
    m_icon->setIcon(programImageSizes(name, 64));
}

void StatusItem::statusItemAction()
{
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

bool StatusItem::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Quit) {
        // Quitting closes every window, with events just like the close
        // button's; those closes go through.
        m_quitting = true;
        QTimer::singleShot(0, this, [this] { m_quitting = false; });
    } else if (event->type() == QEvent::Close && watched == m_window && event->spontaneous()
        && !m_quitting) {
        event->ignore();
        m_window->hideApplication();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
