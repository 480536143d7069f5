#include "app/ShortcutActivateDemo.h"

#include "app/MainWindow.h"
#include "app/WindowCommands.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "desktop/ModifierFlags.h"
#include "desktop/PTHotKey.h"
#include "desktop/PTHotKeyCenter.h"

#include <QHash>
#include <QTimer>

namespace {

const QString identifier = QStringLiteral("AppLauncher");

struct ComboKeys {
    IntKey keyCode;
    UIntKey modifiers;
};

// The two keys of a prefix: prefix + "KeyCode" and prefix + "Modifiers".
ComboKeys comboKeys(const QString &prefix)
{
    // Key names must outlive the keys that point at them.
    static QHash<QString, QByteArray> names;
    auto name = [](const QString &key) {
        auto it = names.find(key);
        if (it == names.end())
            it = names.insert(key, key.toLatin1());
        return it->constData();
    };
    return { IntKey { { name(prefix + QStringLiteral("KeyCode")) } },
        UIntKey { { name(prefix + QStringLiteral("Modifiers")) } } };
}

} // namespace

ShortcutActivateDemo::ShortcutActivateDemo(
    MainWindow *window, WindowCommands *windowCommands, PTHotKeyCenter *center, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_windowCommands(windowCommands)
    , m_center(center ? center : &PTHotKeyCenter::sharedCenter())
{
    m_center->grabber().setChangeHandler([this] { Q_EMIT hotKeysChanged(); });
}

ShortcutActivateDemo::~ShortcutActivateDemo()
{
    m_center->grabber().setChangeHandler({});
}

std::unique_ptr<PTHotKey> ShortcutActivateDemo::makeHotKey(const PTKeyCombo &combo, bool finder)
{
    auto hotKey = std::make_unique<PTHotKey>(identifier, combo);
    hotKey->setDesktopAction(finder
            ? HotKeyAction { QStringLiteral("new-post"), QStringLiteral("New post") }
            : HotKeyAction { QStringLiteral("show-hide"), QStringLiteral("Show or hide Velto") });
    hotKey->setTarget(this);
    if (finder)
        hotKey->setAction([this](PTHotKey *sender) { activateFinder(sender); });
    else
        hotKey->setAction([this](PTHotKey *sender) { activateApp(sender); });
    m_center->registerHotKey(hotKey.get());
    return hotKey;
}

void ShortcutActivateDemo::init()
{
    if (!m_center->isAvailable())
        return;
    m_hotKey = makeHotKey(keyComboFromUserDefaults(showHidePrefix), false);
    m_hotKeyFinder = makeHotKey(keyComboFromUserDefaults(newPostPrefix), true);
}

void ShortcutActivateDemo::awakeFromNib(
    SRRecorderControl *recorderControl, SRRecorderControl *recorderControlFinder)
{
    m_recorderControl = recorderControl;
    m_recorderControlFinder = recorderControlFinder;
    const PTKeyCombo shown = keyComboFromUserDefaults(showHidePrefix);
    const PTKeyCombo shownFinder = keyComboFromUserDefaults(newPostPrefix);
    // Shown before listening, so showing them saves nothing.
    recorderControl->setKeyCombo({ CarbonToToolkitFlags(shown.modifiers()), shown.keyCode() });
    recorderControlFinder->setKeyCombo(
        { CarbonToToolkitFlags(shownFinder.modifiers()), shownFinder.keyCode() });
    recorderControl->setDelegate(this);
    recorderControlFinder->setDelegate(this);
}

void ShortcutActivateDemo::activateApp(PTHotKey *)
{
    if (!m_window)
        return;
    const bool noAnimation = Preferences::standard().value(prefs::disableAnimation);
    const bool inFront = m_window->isActiveWindow() && !m_window->isHiddenFromUser();
    if (inFront) {
        if (noAnimation) {
            m_window->hideApplication();
            m_window->setWindowOpacity(0.0);
        } else {
            m_window->fadeOutAndHide();
        }
        return;
    }
    if (noAnimation) {
        m_window->setWindowOpacity(1.0);
        if (m_window->isMinimized())
            m_window->showNormal();
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    m_windowCommands->openWindow();
}

void ShortcutActivateDemo::activateFinder(PTHotKey *)
{
    if (!m_window)
        return;
    if (!m_window->isHiddenFromUser()) {
        m_window->setWindowOpacity(1.0);
        m_window->raise();
        m_window->activateWindow();
        NotificationBus::defaultCenter().post(nf::newPost);
        return;
    }
    m_windowCommands->openWindow();
    QTimer::singleShot(delayedNewPostMs, this, &ShortcutActivateDemo::delayedNewPost);
}

void ShortcutActivateDemo::delayedNewPost()
{
    NotificationBus::defaultCenter().post(nf::newPost);
}

void ShortcutActivateDemo::shortcutRecorderKeyComboDidChange(
    SRRecorderControl *recorder, SRKeyCombo combo)
{
    const bool finder = recorder == m_recorderControlFinder;
    if (!finder && recorder != m_recorderControl)
        return;
    std::unique_ptr<PTHotKey> &slot = finder ? m_hotKeyFinder : m_hotKey;
    if (slot)
        m_center->unregisterHotKey(slot.get());
    slot.reset();
    const PTKeyCombo newCombo(combo.code, ToolkitToCarbonFlags(combo.flags));
    if (m_center->isAvailable())
        slot = makeHotKey(newCombo, finder);
    saveKeyCombo(newCombo, finder ? newPostPrefix : showHidePrefix);
}

bool ShortcutActivateDemo::shortcutRecorderIsKeyCodeAndFlagsTaken(
    SRRecorderControl *recorder, int keyCode, quint32 toolkitFlags, QString *reason)
{
    SRRecorderControl *other = recorder == m_recorderControl ? m_recorderControlFinder.data()
        : recorder == m_recorderControlFinder                ? m_recorderControl.data()
                                                             : nullptr;
    if (!other)
        return false;
    const SRKeyCombo held = other->keyCombo();
    if (held.isEmpty() || held.code != keyCode
        || ToolkitToCarbonFlags(held.flags) != ToolkitToCarbonFlags(toolkitFlags))
        return false;
    if (reason)
        *reason = QStringLiteral("it's already used by the hot key \"%1\"")
                      .arg(other->accessibleName());
    return true;
}

void ShortcutActivateDemo::saveCombo()
{
    if (m_hotKey)
        saveKeyCombo(m_hotKey->keyCombo(), showHidePrefix);
}

void ShortcutActivateDemo::saveComboFinder()
{
    if (m_hotKeyFinder)
        saveKeyCombo(m_hotKeyFinder->keyCombo(), newPostPrefix);
}

PTKeyCombo ShortcutActivateDemo::keyComboFromUserDefaults(const QString &prefix)
{
    const ComboKeys keys = comboKeys(prefix);
    Preferences &p = Preferences::standard();
    if (!p.contains(keys.keyCode.name))
        return { -1, 0 };
    return { qint32(p.value(keys.keyCode)),
        p.contains(keys.modifiers.name) ? quint32(p.value(keys.modifiers)) : 0u };
}

void ShortcutActivateDemo::saveKeyCombo(const PTKeyCombo &combo, const QString &prefix)
{
    const ComboKeys keys = comboKeys(prefix);
    Preferences &p = Preferences::standard();
    p.setValue(keys.keyCode, qint64(combo.keyCode()));
    // The clear combination is stored as no modifiers.
    p.setValue(keys.modifiers,
        quint64(combo.modifiers() == PTKeyCombo::noModifiers ? 0 : combo.modifiers()));
    p.sync();
}

QString ShortcutActivateDemo::whyHotKeysAreOff() const
{
    if (m_center->isAvailable())
        return {};
    return m_center->grabber().whyUnavailable();
}

bool ShortcutActivateDemo::desktopChoosesKeys() const
{
    return m_center->grabber().desktopChoosesKeys();
}

QString ShortcutActivateDemo::desktopTrigger(bool finder) const
{
    const PTHotKey *hotKey = finder ? m_hotKeyFinder.get() : m_hotKey.get();
    if (!hotKey || hotKey->carbonEventHotKeyRef() == 0)
        return {};
    return m_center->grabber().desktopTrigger(hotKey->carbonEventHotKeyRef());
}

bool ShortcutActivateDemo::canConfigureOnDesktop() const
{
    return m_center->grabber().canConfigureOnDesktop();
}

void ShortcutActivateDemo::configureOnDesktop()
{
    m_center->grabber().configureOnDesktop();
}
