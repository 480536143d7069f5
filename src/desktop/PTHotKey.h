#pragma once

#include "desktop/HotKeyGrabber.h"
#include "desktop/PTKeyCombo.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class PTHotKeyCenter;

// One global hot key: its combination and what it does. The action runs
// only while its target lives.
class PTHotKey {
public:
    using Action = std::function<void(PTHotKey *)>;

    PTHotKey(const QString &identifier, const PTKeyCombo &keyCombo);
    ~PTHotKey();
    PTHotKey(const PTHotKey &) = delete;
    PTHotKey &operator=(const PTHotKey &) = delete;

    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    PTKeyCombo keyCombo() const { return m_keyCombo; }
    void setKeyCombo(const PTKeyCombo &combo) { m_keyCombo = combo; }
    // How the desktop lists the hot key, where it lists them.
    HotKeyAction desktopAction() const { return m_desktopAction; }
    void setDesktopAction(const HotKeyAction &action) { m_desktopAction = action; }
    QObject *target() const { return m_target; }
    void setTarget(QObject *target) { m_target = target; }
    void setAction(Action action) { m_action = std::move(action); }

    // Set by the centre at registration; 0 and no handle when unregistered.
    quint32 carbonHotKeyID() const { return m_carbonHotKeyID; }
    quintptr carbonEventHotKeyRef() const { return m_carbonEventHotKeyRef; }
    void setRegistration(PTHotKeyCenter *center, quint32 hotKeyID, quintptr handle);

    void invoke();

private:
    QString m_identifier;
    QString m_name;
    PTKeyCombo m_keyCombo;
    HotKeyAction m_desktopAction;
    QPointer<QObject> m_target;
    Action m_action;
    quint32 m_carbonHotKeyID = 0;
    quintptr m_carbonEventHotKeyRef = 0;
    PTHotKeyCenter *m_center = nullptr;
};
