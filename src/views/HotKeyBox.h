#pragma once

#include <QGroupBox>

class QLabel;
class QPushButton;
class SRRecorderControl;

// The preferences' group of the two global hot keys, in one of three forms:
// the recorders, where the program grabs the keys itself (X11); the keys the
// desktop reports and a button to the desktop's own settings, where the
// desktop chooses them; or the recorders switched off with a note saying why,
// where the session has no global hot keys.
class HotKeyBox : public QGroupBox {
    Q_OBJECT
public:
    // Takes over both recorders.
    HotKeyBox(SRRecorderControl *showHide, SRRecorderControl *newPost, QWidget *parent = nullptr);

    void showRecorders();
    void showUnavailable(const QString &why);
    // Empty keys read as not set; the button shows only when `canConfigure`.
    void showDesktopKeys(const QString &showHide, const QString &newPost, bool canConfigure);

    QLabel *note() const { return m_note; }
    QLabel *desktopKeys(bool newPost) const { return newPost ? m_newPostKeys : m_showHideKeys; }
    QPushButton *configureButton() const { return m_configure; }

Q_SIGNALS:
    void configureRequested();

private:
    void setRecordersShown(bool shown, bool enabled);

    SRRecorderControl *m_showHide;
    SRRecorderControl *m_newPost;
    QLabel *m_showHideKeys;
    QLabel *m_newPostKeys;
    QLabel *m_note;
    QPushButton *m_configure;
};
