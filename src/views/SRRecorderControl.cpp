#include "views/SRRecorderControl.h"

#include "desktop/KeyboardLayout.h"
#include "desktop/ModifierFlags.h"
#include "desktop/ShortcutStrings.h"
#include "desktop/VirtualKeyCodes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt
        || key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R
        || key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_NumLock;
}

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

SRRecorderControl::SRRecorderControl(QWidget *parent)
    : QWidget(parent)
{
    m_cell.setDelegate(this);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(&m_cell, &SRRecorderCell::displayChanged, this, [this] {
        updateAccessibleText();
        update();
    });
    connect(
        &m_cell, &SRRecorderCell::recordingChanged, this, &SRRecorderControl::updateKeyboardGrab);
    connect(&m_cell, &SRRecorderCell::alertShowing, this, [this](bool showing) {
        m_alertOpen = showing;
        updateKeyboardGrab();
    });
    updateAccessibleText();
}

SRRecorderControl::~SRRecorderControl()
{
    m_cell.setDelegate(nullptr);
    if (m_keyboardGrabbed)
        releaseKeyboard();
}

quint32 SRRecorderControl::cocoaToCarbonFlags(quint32 toolkitFlags)
{
    return ToolkitToCarbonFlags(toolkitFlags);
}

quint32 SRRecorderControl::carbonToCocoaFlags(quint32 carbonFlags)
{
    return CarbonToToolkitFlags(carbonFlags);
}

QVariantMap SRRecorderControl::objectValue() const
{
    return { { QStringLiteral("characters"), m_cell.keyCharsIgnoringModifiers() },
        { QStringLiteral("keyCode"), m_cell.keyCombo().code },
        { QStringLiteral("modifierFlags"), m_cell.keyCombo().flags } };
}

void SRRecorderControl::setObjectValue(const QVariantMap &value)
{
    if (value.isEmpty()) {
        setKeyCombo({});
        return;
    }
    setKeyCombo({ value.value(QStringLiteral("modifierFlags")).toUInt(),
        value.value(QStringLiteral("keyCode"), -1).toInt() });
}

RecorderKeyEvent SRRecorderControl::recorderEvent(const QKeyEvent *event)
{
    RecorderKeyEvent converted;
    converted.modifierFlags = toolkitFlagsFromQt(event->modifiers());
    converted.characters = event->text();
    std::optional<int> code;
    if (onX11() && event->nativeScanCode() != 0)
        code = VirtualKeyCodes::fromX11Keycode(int(event->nativeScanCode()));
    if (!code)
        code = VirtualKeyCodes::fromQtKey(event->key());
    converted.keyCode = code.value_or(-1);
    if (code) {
        if (const auto keycode = VirtualKeyCodes::x11Keycode(*code))
            if (const auto layout = KeyboardLayout::current())
                converted.charactersIgnoringModifiers = layout->text(*keycode);
        // Keys that type nothing of their own are known by their names.
        if (converted.charactersIgnoringModifiers.trimmed().isEmpty()
            && converted.charactersIgnoringModifiers != QLatin1String(" "))
            converted.charactersIgnoringModifiers = KeyCodeName(*code);
    }
    return converted;
}

void SRRecorderControl::shortcutRecorderCellKeyComboDidChange(SRRecorderCell *, SRKeyCombo combo)
{
    if (m_delegate)
        m_delegate->shortcutRecorderKeyComboDidChange(this, combo);
    Q_EMIT keyComboChanged(combo);
    Q_EMIT objectValueChanged(objectValue());
}

bool SRRecorderControl::shortcutRecorderCellIsKeyCodeAndFlagsTaken(
    SRRecorderCell *, int keyCode, quint32 toolkitFlags, QString *reason)
{
    return m_delegate
        && m_delegate->shortcutRecorderIsKeyCodeAndFlagsTaken(this, keyCode, toolkitFlags, reason);
}

void SRRecorderControl::updateKeyboardGrab()
{
    const bool hold = m_cell.isRecording() && m_cell.canCaptureGlobalHotKeys() && onX11()
        && !m_alertOpen && isActiveWindow();
    if (hold && !m_keyboardGrabbed) {
        grabKeyboard();
        m_keyboardGrabbed = true;
    } else if (!hold && m_keyboardGrabbed) {
        releaseKeyboard();
        m_keyboardGrabbed = false;
    }
}

bool SRRecorderControl::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        // Another window in front ends recording, unless it is the alert
        // that explains a refusal, after which recording goes on.
        if (event->type() == QEvent::WindowDeactivate && !m_alertOpen)
            m_cell.resignFirstResponder();
        updateKeyboardGrab();
    }
    // While recording every key belongs to the recorder, not to a menu item;
    // when idle, Space starts recording.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (m_cell.isRecording() || key->key() == Qt::Key_Space) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void SRRecorderControl::keyPressEvent(QKeyEvent *event)
{
    if (isModifierKey(event->key())) {
        m_cell.flagsChanged(toolkitFlagsFromQt(event->modifiers()));
        event->accept();
        return;
    }
    if (!m_cell.performKeyEquivalent(recorderEvent(event)))
        QWidget::keyPressEvent(event);
}

void SRRecorderControl::keyReleaseEvent(QKeyEvent *event)
{
    if (isModifierKey(event->key()))
        m_cell.flagsChanged(toolkitFlagsFromQt(event->modifiers()));
    QWidget::keyReleaseEvent(event);
}

void SRRecorderControl::focusOutEvent(QFocusEvent *event)
{
    // The window's own activation is followed in event().
    if (event->reason() != Qt::ActiveWindowFocusReason)
        m_cell.resignFirstResponder();
    QWidget::focusOutEvent(event);
}

QRect SRRecorderControl::buttonRect() const
{
    const int side = height() - 8;
    return { width() - side - 4, 4, side, side };
}

QSize SRRecorderControl::sizeHint() const
{
    return { 190, fontMetrics().height() + 12 };
}

void SRRecorderControl::mousePressEvent(QMouseEvent *event)
{
    m_mouseDownInButton = buttonRect().contains(event->position().toPoint());
    event->accept();
}

void SRRecorderControl::mouseReleaseEvent(QMouseEvent *event)
{
    const bool inButton = buttonRect().contains(event->position().toPoint());
    const bool hasButton = m_cell.isRecording() || !m_cell.keyCombo().isEmpty();
    m_cell.mouseUp(inButton && m_mouseDownInButton && hasButton, isEnabled());
    m_mouseDownInButton = false;
    if (isEnabled())
        setFocus(Qt::MouseFocusReason);
    event->accept();
}

void SRRecorderControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colors = palette();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(frame, frame.height() / 2, frame.height() / 2);
    painter.fillPath(outline,
        m_cell.isRecording() ? colors.color(QPalette::Highlight).lighter(170)
                             : colors.color(QPalette::Base));
    painter.setPen(
        QPen(hasFocus() ? colors.color(QPalette::Highlight) : colors.color(QPalette::Mid),
            hasFocus() ? 2 : 1));
    painter.drawPath(outline);

    const bool recording = m_cell.isRecording();
    const bool showsButton = recording || !m_cell.keyCombo().isEmpty();
    QRect textRect = rect().adjusted(8, 0, -8, 0);
    if (showsButton)
        textRect.setRight(buttonRect().left() - 4);
    const bool prompt = !recording && m_cell.keyComboString().isEmpty();
    painter.setPen(recording ? QColor(Qt::black)
            : prompt         ? colors.color(QPalette::PlaceholderText)
                             : colors.color(QPalette::Text));
    painter.drawText(textRect, Qt::AlignCenter, m_cell.displayText());

    if (showsButton) {
        const QRectF button = buttonRect();
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.color(QPalette::Mid));
        painter.drawEllipse(button);
        painter.setPen(QPen(colors.color(QPalette::Base), 1.6));
        const QRectF mark = button.adjusted(button.width() * 0.3, button.height() * 0.3,
            -button.width() * 0.3, -button.height() * 0.3);
        if (recording) {
            // Snap back: an arrow turning left.
            painter.drawArc(mark, 30 * 16, 240 * 16);
            painter.drawLine(mark.topLeft() + QPointF(0, mark.height() / 3), mark.topLeft());
        } else {
            painter.drawLine(mark.topLeft(), mark.bottomRight());
            painter.drawLine(mark.topRight(), mark.bottomLeft());
        }
    }
}

void SRRecorderControl::updateAccessibleText()
{
    const QString combo = m_cell.keyComboString();
    setAccessibleDescription(combo.isEmpty()
            ? m_cell.displayText()
            : ToolkitComboReadable(m_cell.keyCombo().code, m_cell.keyCombo().flags));
    setToolTip(m_cell.isRecording() ? QStringLiteral("Use old shortcut")
            : combo.isEmpty()
            ? QStringLiteral("Click to record shortcut")
            : ToolkitComboReadable(m_cell.keyCombo().code, m_cell.keyCombo().flags));
}
