#pragma once

#include "desktop/HotKeyGrabber.h"

#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class PTHotKey;

// The registry of the program's global hot keys. Registration identifiers
// only grow, so one is never used twice in a run.
class PTHotKeyCenter {
public:
    // Status answers of sendCarbonEvent().
    static constexpr int noErr = 0;
    static constexpr int eventNotHandledErr = -9874;
    static constexpr int parameterErr = -50;

    explicit PTHotKeyCenter(std::unique_ptr<HotKeyGrabber> grabber);
    PTHotKeyCenter(const PTHotKeyCenter &) = delete;
    PTHotKeyCenter &operator=(const PTHotKeyCenter &) = delete;

    // The program's centre on the desktop's grabber; lives for the whole run.
    static PTHotKeyCenter &sharedCenter();

    // True also for a combination that is not valid, which is not registered.
    bool registerHotKey(PTHotKey *hotKey);
    void unregisterHotKey(PTHotKey *hotKey);
    QList<PTHotKey *> allHotKeys() const { return m_hotKeys.values(); }
    PTHotKey *hotKeyWithIdentifier(const QString &identifier) const;
    int sendCarbonEvent(const HotKeyEvent &event);

    quint32 lastHotKeyID() const { return m_hotKeyCount; }
    bool isAvailable() const { return m_grabber->isAvailable(); }
    HotKeyGrabber &grabber() { return *m_grabber; }

private:
    std::unique_ptr<HotKeyGrabber> m_grabber;
    QMap<quint32, PTHotKey *> m_hotKeys;
    quint32 m_hotKeyCount = 0;
    bool m_eventHandlerInstalled = false;
};
