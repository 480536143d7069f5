#pragma once

#include "views/SRValidator.h"

#include <QObject>
#include <QSet>
#include <QString>

// A recorded combination in toolkit flags; the empty one is (0, -1).
struct SRKeyCombo {
    quint32 flags = 0;
    int code = -1;
    bool isEmpty() const { return code == -1; }
    bool operator==(const SRKeyCombo &) const = default;
};

// A key press as the recorder sees it.
struct RecorderKeyEvent {
    int keyCode = -1; // virtual key code, -1 when unknown
    quint32 modifierFlags = 0; // toolkit flags held
    QString characters;
    QString charactersIgnoringModifiers;
};

class SRRecorderCell;

class SRRecorderCellDelegate {
public:
    virtual ~SRRecorderCellDelegate() = default;
    virtual void shortcutRecorderCellKeyComboDidChange(SRRecorderCell *cell, SRKeyCombo combo) = 0;
    virtual bool shortcutRecorderCellIsKeyCodeAndFlagsTaken(
        SRRecorderCell *cell, int keyCode, quint32 toolkitFlags, QString *reason)
        = 0;
};

// The state and the key handling of a shortcut recorder: idle, showing its
// combination, or recording one. Clicking the control or pressing Space
// starts recording; a valid combination ends it; Escape, Delete and Forward
// Delete without modifiers end it unchanged. The validator may refuse a
// combination, which an alert explains while recording goes on.
class SRRecorderCell : public QObject, private SRValidatorDelegate {
    Q_OBJECT
public:
    explicit SRRecorderCell(QObject *parent = nullptr);

    void setDelegate(SRRecorderCellDelegate *delegate) { m_delegate = delegate; }
    SRValidator &validator() { return m_validator; }

    bool isRecording() const { return m_isRecording; }
    SRKeyCombo keyCombo() const { return m_keyCombo; }
    void setKeyCombo(SRKeyCombo combo);

    quint32 allowedFlags() const { return m_allowedFlags; }
    void setAllowedFlags(quint32 flags);
    quint32 requiredFlags() const { return m_requiredFlags; }
    void setRequiredFlags(quint32 flags);
    quint32 recordingFlags() const { return m_recordingFlags; }
    bool allowsKeyOnly() const { return m_allowsKeyOnly; }
    bool escapeKeysRecord() const { return m_escapeKeysRecord; }
    void setAllowsKeyOnly(bool allowsKeyOnly, bool escapeKeysRecord);
    bool canCaptureGlobalHotKeys() const { return m_globalHotKeys; }
    void setCanCaptureGlobalHotKeys(bool capture) { m_globalHotKeys = capture; }
    QString autosaveName() const { return m_autosaveName; }
    // Loads the saved combination when the name is not empty.
    void setAutosaveName(const QString &name);

    bool hasKeyChars() const { return m_hasKeyChars; }
    QString keyChars() const { return m_keyChars; }
    QString keyCharsIgnoringModifiers() const { return m_keyCharsIgnoringModifiers; }
    bool comboJustChanged() const { return m_comboJustChanged; }
    // The glyph form of the combination; empty when there is none to show.
    QString keyComboString() const;
    // What the control shows now.
    QString displayText() const;

    // Answers whether the key was handled.
    bool performKeyEquivalent(const RecorderKeyEvent &event);
    void flagsChanged(quint32 modifierFlags);
    // A click ended on the control: on its small right-hand button or not.
    void mouseUp(bool insideButton, bool enabled = true);
    // The control lost the keyboard focus.
    void resignFirstResponder();

    quint32 filteredFlags(quint32 flags) const;
    quint32 filteredToCarbonFlags(quint32 flags) const;
    bool validModifierFlags(quint32 flags) const;

    static const QSet<int> &cancelCharacterSet();

Q_SIGNALS:
    void recordingChanged(bool recording);
    void displayChanged();
    // A refusal's alert opens (true) and is answered (false).
    void alertShowing(bool showing);

private:
    bool shortcutValidatorIsKeyCodeAndFlagsTaken(
        int keyCode, quint32 toolkitFlags, QString *reason) override;
    void startRecording();
    void endRecording();
    void saveCombo();
    void loadCombo();
    void comboChanged();

    SRRecorderCellDelegate *m_delegate = nullptr;
    SRValidator m_validator;
    bool m_isRecording = false;
    SRKeyCombo m_keyCombo;
    bool m_hasKeyChars = false;
    QString m_keyChars;
    QString m_keyCharsIgnoringModifiers;
    quint32 m_allowedFlags;
    quint32 m_requiredFlags = 0;
    quint32 m_recordingFlags = 0;
    bool m_allowsKeyOnly = false;
    bool m_escapeKeysRecord = false;
    bool m_globalHotKeys = false;
    bool m_comboJustChanged = false;
    QString m_autosaveName;
};
