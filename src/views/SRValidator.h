#pragma once

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenuBar;

// Why a combination cannot be used, as the alert shows it.
struct ShortcutError {
    QString description;
    QString recoverySuggestion;
};

class SRValidatorDelegate {
public:
    virtual ~SRValidatorDelegate() = default;
    // Flags in toolkit numbers; `reason` may be left empty.
    virtual bool shortcutValidatorIsKeyCodeAndFlagsTaken(
        int keyCode, quint32 toolkitFlags, QString *reason)
        = 0;
};

// Refuses combinations the recorder must not take: those its delegate
// refuses, those another program holds system-wide, and those of the
// program's own menu items. Flags in carbon numbers.
class SRValidator {
public:
    // Whether another program holds a combination; none when that cannot be
    // told, which counts as taken.
    using SystemShortcuts = std::function<std::optional<bool>(int keyCode, quint32 carbonFlags)>;

    explicit SRValidator(SRValidatorDelegate *delegate = nullptr);

    void setDelegate(SRValidatorDelegate *delegate) { m_delegate = delegate; }
    // The menus searched; the program's main menu bar unless set.
    void setMainMenu(QMenuBar *menuBar);
    static void setApplicationMainMenu(QMenuBar *menuBar);
    // The desktop's grabs unless set (tests).
    void setSystemShortcuts(SystemShortcuts shortcuts) { m_systemShortcuts = std::move(shortcuts); }

    bool isKeyCodeAndFlagsTaken(int keyCode, quint32 carbonFlags, ShortcutError *error) const;
    bool isKeyCodeAndFlagsTakenInMenu(
        int keyCode, quint32 carbonFlags, const QList<QAction *> &menu, ShortcutError *error) const;

private:
    SRValidatorDelegate *m_delegate;
    QPointer<QMenuBar> m_mainMenu;
    SystemShortcuts m_systemShortcuts;
};
