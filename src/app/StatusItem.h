#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class MainWindow;
class QMenu;
class QSystemTrayIcon;

// The tray item: "status_off", "status_off_blue" while new mentions wait,
// "status_on" while its menu is open. A click brings the window forward;
// while it is there, hiding the window hides it (else the window is only
// minimised, so it can always be found), and so does the close button of
// the window's frame, which without the item quits. Made and dropped as the
// preference says.
class StatusItem : public QObject {
    Q_OBJECT
public:
    StatusItem(MainWindow *window, QMenu *menu, QObject *parent = nullptr);
    ~StatusItem() override;

    void makeStatusItem();
    void hideStatusItem();
    // Follows "prefsShowStatusItem".
    void toggleStatusItem();
    void setNewMentionsWaiting(bool waiting);
    void statusItemAction();

    // Once the desktop's tray has answered, when it is one that must be asked.
    bool exists() const { return m_icon != nullptr; }
    bool isAskingTheTray() const { return m_askingTray; }
    // The picture's name now ("status_off", "status_on", "status_off_blue").
    const QString &pictureName() const { return m_picture; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showStatusItem();
    void showPicture(const QString &name);

    MainWindow *m_window;
    QPointer<QMenu> m_menu;
    QSystemTrayIcon *m_icon = nullptr;
    QString m_picture;
    bool m_waiting = false;
    bool m_quitting = false;
    bool m_wanted = false;
    bool m_askingTray = false;
};
