#include "views/PreferencePanes.h"

#include "core/Preferences.h"
#include "views/PreferenceControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace PreferenceControls;

namespace PreferencePanes {

namespace {

QWidget *paneWidget(const QString &name)
{
    auto *pane = new QWidget;
    pane->setObjectName(name);
    return pane;
}

QLabel *note(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// On by default, so its key is stored the other way round: written (true)
// when the reader turns it off.
QCheckBox *otherSitePictures(QWidget *parent)
{
    auto *box = new QCheckBox(QStringLiteral("Show pictures from other sites"), parent);
    box->setToolTip(QStringLiteral("Off: only pictures on Velto's image host are shown, and "
                                   "other sites never see a request from you"));
    const BoolKey hidden = prefs::prefsHideOtherSitePictures;
    auto show = [box, hidden] { box->setChecked(!Preferences::standard().value(hidden)); };
    show();
    QObject::connect(box, &QCheckBox::toggled, box, [hidden](bool on) {
        if (Preferences::standard().value(hidden) == on)
            Preferences::standard().setValue(hidden, !on);
    });
    QObject::connect(
        &Preferences::standard(), &Preferences::changed, box, [show, hidden](const QString &key) {
            if (key == hidden.key())
                show();
        });
    return box;
}

} // namespace

QWidget *general(QWidget *hotKeys, const PreferencePaneActions &actions)
{
    QWidget *pane = paneWidget(QStringLiteral("GeneralPane"));
    auto *layout = new QVBoxLayout(pane);

    auto *streams = new QFormLayout;
    streams->addRow(QStringLiteral("Open at start:"),
        choice({ QStringLiteral("Stream"), QStringLiteral("Posts"), QStringLiteral("Mentions"),
                   QStringLiteral("Global"), QStringLiteral("Starred") },
            prefs::prefsOnStartLoadStream, 0, pane));
    streams->addRow(QStringLiteral("Posts per page:"),
        choice({ QStringLiteral("20"), QStringLiteral("50"), QStringLiteral("100"),
                   QStringLiteral("200") },
            prefs::prefsStreamCount, 0, pane));
    streams->addRow(QStringLiteral("Refresh every:"),
        choice(
            { QStringLiteral("30 seconds"), QStringLiteral("1 minute"), QStringLiteral("5 minutes"),
                QStringLiteral("10 minutes"), QStringLiteral("30 minutes") },
            prefs::prefsRefreshInterval, 1, pane));
    streams->addRow(QStringLiteral("Text size:"),
        choice({ QStringLiteral("Normal"), QStringLiteral("Large"), QStringLiteral("Small") },
            prefs::prefsFontSize, 0, pane));
    layout->addLayout(streams);
    layout->addWidget(checkBox(QStringLiteral("Keep the selected post selected when refreshing"),
        prefs::prefsRestoreSelection, pane));
    layout->addWidget(otherSitePictures(pane));

    auto *notifications = new QGroupBox(QStringLiteral("Mention notifications"), pane);
    auto *notificationLayout = new QVBoxLayout(notifications);
    notificationLayout->addWidget(checkBox(
        QStringLiteral("Show them while Velto is in front"), prefs::prefsShowInNC, notifications));
    notificationLayout->addWidget(
        checkBox(QStringLiteral("Play a sound"), prefs::prefsUseNCSound, notifications));
    notificationLayout->addWidget(checkBox(QStringLiteral("Clicking one removes all of them"),
        prefs::prefsRemoveAllNotifications, notifications));
    layout->addWidget(notifications);

    auto *window = new QGroupBox(QStringLiteral("Window"), pane);
    auto *windowLayout = new QVBoxLayout(window);
    QCheckBox *tray
        = checkBox(QStringLiteral("Show Velto in the tray"), prefs::prefsShowStatusItem, window);
    if (actions.toggleStatusItem)
        QObject::connect(tray, &QCheckBox::clicked, window, actions.toggleStatusItem);
    windowLayout->addWidget(tray);
    windowLayout->addWidget(
        checkBox(QStringLiteral("Hide Velto when another program comes forward"),
            prefs::prefsAutoHide, window));
    QCheckBox *agent = checkBox(QStringLiteral("Run without a task bar entry (tray agent)"),
        prefs::launchAsAgentApp, window);
    if (actions.toggleDockIcon)
        QObject::connect(agent, &QCheckBox::clicked, window, actions.toggleDockIcon);
    windowLayout->addWidget(agent);
    layout->addWidget(window);

    hotKeys->setParent(pane);
    layout->addWidget(hotKeys);
    layout->addStretch();
    pane->setMinimumWidth(460);
    return pane;
}

QWidget *gestures()
{
    QWidget *pane = paneWidget(QStringLiteral("GesturesPane"));
    auto *layout = new QVBoxLayout(pane);
    layout->addWidget(
        checkBox(QStringLiteral("Act on swipes: right for a new post, left to go back"),
            prefs::prefsEnableGestures, pane));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Pull down to refresh by:"),
        choice({ QStringLiteral("20 pixels"), QStringLiteral("40 pixels"),
                   QStringLiteral("60 pixels") },
            prefs::prefsRefreshThreshold, 1, pane));
    layout->addLayout(form);
    layout->addStretch();
    pane->setMinimumWidth(460);
    return pane;
}

QWidget *update(const PreferencePaneActions &actions)
{
    QWidget *pane = paneWidget(QStringLiteral("UpdatePane"));
    auto *layout = new QVBoxLayout(pane);
    // The update check writes its setting itself: switched off and on again,
    // it checks at the next start.
    layout->addWidget(checkBox(QStringLiteral("Check for updates when Velto starts"),
        prefs::updateCheckAtStartup, pane, actions.setCheckAtStartup));
    auto *last = note(QString(), pane);
    auto showLast = [last] {
        const auto stored = Preferences::standard().value(prefs::lastCheckDate);
        const QDateTime when = stored ? QDateTime::fromString(*stored, Qt::ISODate) : QDateTime();
        last->setText(when.isValid()
                ? QStringLiteral("Last checked: %1")
                      .arg(QLocale().toString(when.toLocalTime(), QLocale::ShortFormat))
                : QStringLiteral("Not checked yet."));
    };
    showLast();
    QObject::connect(
        &Preferences::standard(), &Preferences::changed, last, [showLast](const QString &key) {
            if (key == prefs::lastCheckDate.key())
                showLast();
        });
    layout->addWidget(last);
    auto *checkNow = new QPushButton(QStringLiteral("Check Now"), pane);
    checkNow->setEnabled(bool(actions.checkForUpdates));
    if (actions.checkForUpdates)
        QObject::connect(checkNow, &QPushButton::clicked, pane, actions.checkForUpdates);
    layout->addWidget(checkNow, 0, Qt::AlignLeft);
    layout->addStretch();
    pane->setMinimumWidth(460);
    return pane;
}

} // namespace PreferencePanes
