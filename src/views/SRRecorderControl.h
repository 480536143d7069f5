#pragma once

#include "views/SRRecorderCell.h"

#include <QVariantMap>
#include <QWidget>

class SRRecorderControl;

class SRRecorderControlDelegate {
public:
    virtual ~SRRecorderControlDelegate() = default;
    virtual void shortcutRecorderKeyComboDidChange(SRRecorderControl *recorder, SRKeyCombo combo)
        = 0;
    virtual bool shortcutRecorderIsKeyCodeAndFlagsTaken(
        SRRecorderControl *, int, quint32, QString *)
    {
        return false;
    }
};

// The field in which the user records a keyboard shortcut: click it or press
// Space, then press the combination. The small button at its right clears
// the shortcut, or while recording gives the old one back. While recording
// with its window in front it takes the whole keyboard, so that neither the
// desktop's shortcuts nor the program's own hot keys swallow the combination
// being recorded; it lets go while a refusal's alert is open, so the alert
// can be answered, and recording ends when its window loses the front to
// another one, so the keyboard is never held for a program in the back.
class SRRecorderControl : public QWidget, private SRRecorderCellDelegate {
    Q_OBJECT
public:
    explicit SRRecorderControl(QWidget *parent = nullptr);
    ~SRRecorderControl() override;

    void setDelegate(SRRecorderControlDelegate *delegate) { m_delegate = delegate; }
    SRRecorderCell &cell() { return m_cell; }

    SRKeyCombo keyCombo() const { return m_cell.keyCombo(); }
    void setKeyCombo(SRKeyCombo combo) { m_cell.setKeyCombo(combo); }
    quint32 allowedFlags() const { return m_cell.allowedFlags(); }
    void setAllowedFlags(quint32 flags) { m_cell.setAllowedFlags(flags); }
    quint32 requiredFlags() const { return m_cell.requiredFlags(); }
    void setRequiredFlags(quint32 flags) { m_cell.setRequiredFlags(flags); }
    void setAllowsKeyOnly(bool allowsKeyOnly, bool escapeKeysRecord)
    {
        m_cell.setAllowsKeyOnly(allowsKeyOnly, escapeKeysRecord);
    }
    bool canCaptureGlobalHotKeys() const { return m_cell.canCaptureGlobalHotKeys(); }
    void setCanCaptureGlobalHotKeys(bool capture) { m_cell.setCanCaptureGlobalHotKeys(capture); }
    QString autosaveName() const { return m_cell.autosaveName(); }
    void setAutosaveName(const QString &name) { m_cell.setAutosaveName(name); }
    QString keyChars() const { return m_cell.keyChars(); }
    QString keyCharsIgnoringModifiers() const { return m_cell.keyCharsIgnoringModifiers(); }
    QString keyComboString() const { return m_cell.keyComboString(); }

    static quint32 cocoaToCarbonFlags(quint32 toolkitFlags);
    static quint32 carbonToCocoaFlags(quint32 carbonFlags);

    // {"characters", "keyCode", "modifierFlags"}.
    QVariantMap objectValue() const;
    void setObjectValue(const QVariantMap &value);

    // The recorder's view of a key event of the toolkit.
    static RecorderKeyEvent recorderEvent(const QKeyEvent *event);
    QRect buttonRect() const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void keyComboChanged(SRKeyCombo combo);
    // The new value, for whoever keeps it.
    void objectValueChanged(const QVariantMap &value);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void shortcutRecorderCellKeyComboDidChange(SRRecorderCell *cell, SRKeyCombo combo) override;
    bool shortcutRecorderCellIsKeyCodeAndFlagsTaken(
        SRRecorderCell *cell, int keyCode, quint32 toolkitFlags, QString *reason) override;
    // Holds the keyboard exactly while recording in the front window with
    // no alert open.
    void updateKeyboardGrab();
    void updateAccessibleText();

    SRRecorderCell m_cell;
    SRRecorderControlDelegate *m_delegate = nullptr;
    bool m_mouseDownInButton = false;
    bool m_keyboardGrabbed = false;
    bool m_alertOpen = false;
};
