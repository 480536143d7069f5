#include "app/PreferencesController.h"

#include "app/MainWindow.h"
#include "app/ShortcutActivateDemo.h"
#include "desktop/ModifierFlags.h"
#include "views/HotKeyBox.h"
#include "views/PreferencePanel.h"
#include "views/SRRecorderControl.h"

PreferencesController::PreferencesController(MainWindow *window, ShortcutActivateDemo *shortcuts,
    PreferencePaneActions actions, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_shortcuts(shortcuts)
    , m_actions(std::move(actions))
{
}

PreferencesController::~PreferencesController()
{
    delete m_panel;
}

void PreferencesController::build()
{
    // A window of its own that closes with the program, not a child that
    // stays above the main window.
    m_panel = new PreferencePanel(nullptr);
    m_panel->setAttribute(Qt::WA_QuitOnClose, false);
    m_recorder = new SRRecorderControl;
    m_recorderFinder = new SRRecorderControl;
    m_recorder->setObjectName(QStringLiteral("showHideRecorder"));
    m_recorderFinder->setObjectName(QStringLiteral("newPostRecorder"));
    for (SRRecorderControl *recorder : { m_recorder.data(), m_recorderFinder.data() }) {
        // The function flag has no key on these keyboards.
        recorder->setAllowedFlags(toolkit::allModifiers & ~toolkit::function);
        recorder->setCanCaptureGlobalHotKeys(true);
    }
    m_hotKeys = new HotKeyBox(m_recorder, m_recorderFinder);
    connect(m_hotKeys, &HotKeyBox::configureRequested, m_shortcuts,
        &ShortcutActivateDemo::configureOnDesktop);
    connect(m_shortcuts, &ShortcutActivateDemo::hotKeysChanged, this,
        &PreferencesController::showHotKeys);
    showHotKeys();
    m_panel->setPanes(PreferencePanes::general(m_hotKeys, m_actions), PreferencePanes::advanced(),
        PreferencePanes::gestures(), PreferencePanes::update(m_actions));
    m_shortcuts->awakeFromNib(m_recorder, m_recorderFinder);
    m_panel->awakeFromNib();
}

void PreferencesController::showHotKeys()
{
    if (!m_hotKeys)
        return;
    const QString whyOff = m_shortcuts->whyHotKeysAreOff();
    if (!whyOff.isEmpty())
        m_hotKeys->showUnavailable(whyOff);
    else if (m_shortcuts->desktopChoosesKeys())
        m_hotKeys->showDesktopKeys(m_shortcuts->desktopTrigger(false),
            m_shortcuts->desktopTrigger(true), m_shortcuts->canConfigureOnDesktop());
    else
        m_hotKeys->showRecorders();
}

HotKeyBox *PreferencesController::hotKeyBox() const
{
    return m_hotKeys;
}

void PreferencesController::showPreferences()
{
    if (!m_panel)
        build();
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

PreferencePanel *PreferencesController::panel() const
{
    return m_panel;
}

SRRecorderControl *PreferencesController::showHideRecorder() const
{
    return m_recorder;
}

SRRecorderControl *PreferencesController::newPostRecorder() const
{
    return m_recorderFinder;
}
