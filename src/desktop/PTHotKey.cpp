#include "desktop/PTHotKey.h"

#include "desktop/PTHotKeyCenter.h"

PTHotKey::PTHotKey(const QString &identifier, const PTKeyCombo &keyCombo)
    : m_identifier(identifier)
    , m_keyCombo(keyCombo)
{
}

PTHotKey::~PTHotKey()
{
    // The centre must never call a hot key that is gone.
    if (m_center)
        m_center->unregisterHotKey(this);
}

void PTHotKey::setRegistration(PTHotKeyCenter *center, quint32 hotKeyID, quintptr handle)
{
    m_center = center;
    m_carbonHotKeyID = hotKeyID;
    m_carbonEventHotKeyRef = handle;
}

void PTHotKey::invoke()
{
    if (m_target && m_action)
        m_action(this);
}
