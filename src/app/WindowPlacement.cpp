#include "app/WindowPlacement.h"

#include "core/Preferences.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {

void moveCentreTo(QWidget *widget, QPoint centre)
{
    QRect frame = widget->frameGeometry();
    frame.moveCenter(centre);
    widget->move(frame.topLeft());
}

const QString frameGroup = QStringLiteral("WindowFrame/");
const QString lastScreenKey = QStringLiteral("WindowFrame/lastScreen");

// A screen is known by its name and size, so a screen of another size
// under the same connector is a new one.
QString screenKey(const QScreen *screen)
{
    QString name = screen->name();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("%1 %2x%3")
        .arg(name)
        .arg(screen->geometry().width())
        .arg(screen->geometry().height());
}

std::optional<QRect> storedFrame(const QString &key)
{
    const auto text = Preferences::standard().rawString(frameGroup + key);
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return std::nullopt;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const QRect frame(numbers[0], numbers[1], numbers[2], numbers[3]);
    return frame.isValid() ? std::optional<QRect>(frame) : std::nullopt;
}

// Watches the window's moves and resizes and writes them a moment after
// they stop, and at once when the window hides.
class FrameKeeper : public QObject {
public:
    explicit FrameKeeper(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        m_settle.setSingleShot(true);
        m_settle.setInterval(400);
        connect(&m_settle, &QTimer::timeout, this, &FrameKeeper::remember);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            if (m_window->isVisible())
                m_settle.start();
            break;
        case QEvent::Show:
            // The frame the window manager adds is known only now.
            QTimer::singleShot(0, this, &FrameKeeper::keepFrameOnScreen);
            break;
        case QEvent::Hide:
            if (m_settle.isActive()) {
                m_settle.stop();
                remember();
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void remember()
    {
        const QScreen *screen = m_window->screen();
        if (!screen || m_window->isFullScreen() || m_window->isMaximized()
            || m_window->isMinimized())
            return;
        const QRect frame(m_window->pos(), m_window->size());
        Preferences &preferences = Preferences::standard();
        preferences.setRawString(frameGroup + screenKey(screen),
            QStringLiteral("%1 %2 %3 %4")
                .arg(frame.x())
                .arg(frame.y())
                .arg(frame.width())
                .arg(frame.height()));
        preferences.setRawString(lastScreenKey, screenKey(screen));
    }
    void keepFrameOnScreen()
    {
        const QScreen *screen = m_window->screen();
        if (!screen || m_window->isFullScreen() || m_window->isMaximized())
            return;
        const QRect frame = m_window->frameGeometry();
        const QRect fitted = WindowPlacement::fitInside(frame, screen->availableGeometry());
        if (fitted == frame)
            return;
        m_window->resize(m_window->size() - (frame.size() - fitted.size()));
        m_window->move(fitted.topLeft());
    }

    QWidget *m_window;
    QTimer m_settle;
};

} // namespace

namespace WindowPlacement {

void centreOnScreen(QWidget *widget)
{
    if (!widget)
        return;
    const QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    if (screen)
        moveCentreTo(widget, screen->availableGeometry().center());
}

void centreOver(QWidget *widget, const QWidget *over)
{
    if (widget && over)
        moveCentreTo(widget, over->frameGeometry().center());
}

QRect fitInside(QRect frame, const QRect &area)
{
    frame.setWidth(std::min(frame.width(), area.width()));
    frame.setHeight(std::min(frame.height(), area.height()));
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
    return frame;
}

void keepPlaceAndSize(QWidget *window)
{
    if (!window)
        return;
    const QScreen *screen = nullptr;
    std::optional<QRect> frame;
    const QString last = Preferences::standard().rawString(lastScreenKey).value_or(QString());
    for (const QScreen *candidate : QGuiApplication::screens()) {
        if (screenKey(candidate) == last)
            screen = candidate;
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        frame = storedFrame(screenKey(screen));
    if (!frame)
        frame = QRect(window->pos(), window->size());
    if (screen)
        frame = fitInside(*frame, screen->availableGeometry());
    window->resize(frame->size().expandedTo(window->minimumSize()));
    window->move(frame->topLeft());
    new FrameKeeper(window);
}

} // namespace WindowPlacement
