#include "desktop/PTHotKeyCenter.h"

#include "desktop/PTHotKey.h"

PTHotKeyCenter::PTHotKeyCenter(std::unique_ptr<HotKeyGrabber> grabber)
    : m_grabber(std::move(grabber))
{
}

PTHotKeyCenter &PTHotKeyCenter::sharedCenter()
{
    // Never destroyed: hot keys stay registered until the process ends.
    static PTHotKeyCenter *center = new PTHotKeyCenter(makeDesktopHotKeyGrabber());
    return *center;
}

bool PTHotKeyCenter::registerHotKey(PTHotKey *hotKey)
{
    if (!hotKey)
        return false;
    if (hotKey->carbonHotKeyID() != 0)
        unregisterHotKey(hotKey);
    const PTKeyCombo combo = hotKey->keyCombo();
    if (!combo.isValidHotKeyCombo() && !m_grabber->desktopChoosesKeys())
        return true;
    const quint32 hotKeyID = ++m_hotKeyCount;
    const quintptr handle
        = m_grabber->grab(combo.keyCode(), combo.modifiers(), hotKeyID, hotKey->desktopAction());
    if (handle == 0)
        return false;
    hotKey->setRegistration(this, hotKeyID, handle);
    m_hotKeys.insert(hotKeyID, hotKey);
    if (!m_eventHandlerInstalled) {
        m_grabber->installHandler(
            [this](const HotKeyEvent &event) { return sendCarbonEvent(event); });
        m_eventHandlerInstalled = true;
    }
    return true;
}

void PTHotKeyCenter::unregisterHotKey(PTHotKey *hotKey)
{
    if (!hotKey || hotKey->carbonEventHotKeyRef() == 0)
        return;
    m_grabber->ungrab(hotKey->carbonEventHotKeyRef());
    m_hotKeys.remove(hotKey->carbonHotKeyID());
    hotKey->setRegistration(nullptr, 0, 0);
}

PTHotKey *PTHotKeyCenter::hotKeyWithIdentifier(const QString &identifier) const
{
    for (PTHotKey *hotKey : m_hotKeys)
        if (hotKey->identifier() == identifier)
            return hotKey;
    return nullptr;
}

int PTHotKeyCenter::sendCarbonEvent(const HotKeyEvent &event)
{
    // Only the grabber delivers here, and only hot-key events of ours.
    Q_ASSERT_X(
        event.eventClass == HotKeyEvent::keyboardClass, "PTHotKeyCenter", "Unknown event class");
    if (event.eventClass != HotKeyEvent::keyboardClass)
        return eventNotHandledErr;
    if (!event.hasHotKeyID)
        return parameterErr;
    Q_ASSERT_X(event.hotKeySignature == HotKeyEvent::signature && event.hotKeyID != 0,
        "PTHotKeyCenter", "Invalid hot key id");
    if (event.hotKeySignature != HotKeyEvent::signature || event.hotKeyID == 0)
        return eventNotHandledErr;
    PTHotKey *hotKey = m_hotKeys.value(event.hotKeyID);
    switch (event.kind) {
    case HotKeyEvent::pressedKind:
        if (hotKey)
            hotKey->invoke();
        break;
    case HotKeyEvent::releasedKind:
        break;
    default:
        Q_ASSERT_X(false, "PTHotKeyCenter", "Unknown event kind");
        return eventNotHandledErr;
    }
    return noErr;
}
