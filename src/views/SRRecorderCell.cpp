#include "views/SRRecorderCell.h"

#include "core/Preferences.h"
#include "desktop/ModifierFlags.h"
#include "desktop/ShortcutStrings.h"
#include "platform/AlertPresenter.h"
#include "platform/SystemBeep.h"

namespace {

constexpr quint32 modifierKeys
    = toolkit::command | toolkit::option | toolkit::control | toolkit::shift | toolkit::function;

QString autosaveKey(const QString &name)
{
    return QStringLiteral("ShortcutRecorder %1").arg(name);
}

} // namespace

SRRecorderCell::SRRecorderCell(QObject *parent)
    : QObject(parent)
    , m_validator(this)
    , m_allowedFlags(toolkit::allModifiers)
{
}

const QSet<int> &SRRecorderCell::cancelCharacterSet()
{
    static const QSet<int> codes { 53, 51, 117 };
    return codes;
}

quint32 SRRecorderCell::filteredFlags(quint32 flags) const
{
    return (m_requiredFlags & modifierKeys) | (flags & m_allowedFlags & modifierKeys);
}

quint32 SRRecorderCell::filteredToCarbonFlags(quint32 flags) const
{
    return ToolkitToCarbonFlags(filteredFlags(flags));
}

bool SRRecorderCell::validModifierFlags(quint32 flags) const
{
    return m_allowsKeyOnly || (flags & modifierKeys) != 0;
}

void SRRecorderCell::setAllowedFlags(quint32 flags)
{
    m_allowedFlags = flags;
    m_keyCombo.flags = filteredFlags(m_keyCombo.flags);
    Q_EMIT displayChanged();
}

void SRRecorderCell::setRequiredFlags(quint32 flags)
{
    m_requiredFlags = flags;
    m_keyCombo.flags = filteredFlags(m_keyCombo.flags);
    Q_EMIT displayChanged();
}

void SRRecorderCell::setAllowsKeyOnly(bool allowsKeyOnly, bool escapeKeysRecord)
{
    m_allowsKeyOnly = allowsKeyOnly;
    m_escapeKeysRecord = escapeKeysRecord;
}

void SRRecorderCell::setKeyCombo(SRKeyCombo combo)
{
    m_keyCombo = { filteredFlags(combo.flags), combo.code };
    m_hasKeyChars = false;
    comboChanged();
}

void SRRecorderCell::comboChanged()
{
    if (m_delegate)
        m_delegate->shortcutRecorderCellKeyComboDidChange(this, m_keyCombo);
    saveCombo();
    Q_EMIT displayChanged();
}

void SRRecorderCell::setAutosaveName(const QString &name)
{
    m_autosaveName = name;
    loadCombo();
}

void SRRecorderCell::saveCombo()
{
    if (m_autosaveName.isEmpty())
        return;
    QVariantMap entry { { QStringLiteral("keyCode"), qint16(m_keyCombo.code) },
        { QStringLiteral("modifierFlags"), m_keyCombo.flags },
        { QStringLiteral("modifiers"), ToolkitToCarbonFlags(m_keyCombo.flags) } };
    if (m_hasKeyChars) {
        entry.insert(QStringLiteral("keyChars"), m_keyChars);
        entry.insert(QStringLiteral("keyCharsIgnoringModifiers"), m_keyCharsIgnoringModifiers);
    }
    Preferences::standard().setDictionary(autosaveKey(m_autosaveName), entry);
}

void SRRecorderCell::loadCombo()
{
    if (m_autosaveName.isEmpty())
        return;
    const QVariantMap entry = Preferences::standard().dictionary(autosaveKey(m_autosaveName));
    if (entry.isEmpty())
        return;
    bool ok = false;
    const int code = qint16(entry.value(QStringLiteral("keyCode")).toInt(&ok));
    if (!ok)
        return;
    quint32 flags = 0;
    if (entry.contains(QStringLiteral("modifierFlags")))
        flags = entry.value(QStringLiteral("modifierFlags")).toUInt();
    else
        flags = CarbonToToolkitFlags(entry.value(QStringLiteral("modifiers")).toUInt());
    m_keyCombo = { filteredFlags(flags), code };
    m_hasKeyChars = entry.contains(QStringLiteral("keyChars"));
    if (m_hasKeyChars) {
        m_keyChars = entry.value(QStringLiteral("keyChars")).toString();
        m_keyCharsIgnoringModifiers
            = entry.value(QStringLiteral("keyCharsIgnoringModifiers")).toString();
    }
    if (m_delegate)
        m_delegate->shortcutRecorderCellKeyComboDidChange(this, m_keyCombo);
    Q_EMIT displayChanged();
}

QString SRRecorderCell::keyComboString() const
{
    if (m_keyCombo.isEmpty() || !validModifierFlags(m_keyCombo.flags))
        return {};
    const QString name = KeyCodeName(m_keyCombo.code);
    if (name.isEmpty())
        return {};
    return ToolkitFlagsGlyphs(m_keyCombo.flags) + name;
}

QString SRRecorderCell::displayText() const
{
    if (m_isRecording) {
        const QString held = ToolkitFlagsGlyphs(m_recordingFlags);
        return held.isEmpty() ? QStringLiteral("Type shortcut") : held;
    }
    const QString combo = keyComboString();
    return combo.isEmpty() ? QStringLiteral("Click to record shortcut") : combo;
}

void SRRecorderCell::startRecording()
{
    m_isRecording = true;
    m_recordingFlags = filteredFlags(0);
    Q_EMIT recordingChanged(true);
    Q_EMIT displayChanged();
}

void SRRecorderCell::endRecording()
{
    m_isRecording = false;
    m_comboJustChanged = false;
    Q_EMIT recordingChanged(false);
    Q_EMIT displayChanged();
}

bool SRRecorderCell::performKeyEquivalent(const RecorderKeyEvent &event)
{
    const quint32 flags = filteredFlags(event.modifierFlags);
    const bool cancel = cancelCharacterSet().contains(event.keyCode);
    const bool valid = validModifierFlags(cancel ? event.modifierFlags : flags);

    if (!m_isRecording) {
        if (event.characters == QLatin1String(" ")) {
            startRecording();
            return true;
        }
        return false;
    }
    if (!valid && !cancel)
        return false;
    if (cancel && !valid) {
        endRecording();
        return true;
    }
    if (cancel && m_allowsKeyOnly && (flags == 0 || flags == toolkit::function)
        && !m_escapeKeysRecord) {
        endRecording();
        return true;
    }

    const QString characters = event.charactersIgnoringModifiers.toUpper();
    if (characters.isEmpty() || event.keyCode < 0) {
        SystemBeep::beep();
        endRecording();
        return true;
    }
    ShortcutError error;
    if (m_validator.isKeyCodeAndFlagsTaken(event.keyCode, ToolkitToCarbonFlags(flags), &error)) {
        if (!error.description.isEmpty()) {
            Q_EMIT alertShowing(true);
            alerts::show(error.description, error.recoverySuggestion, { QStringLiteral("OK") },
                AlertStyle::Critical);
            Q_EMIT alertShowing(false);
        }
        flagsChanged(event.modifierFlags);
        return true;
    }
    m_keyCombo = { flags, event.keyCode };
    m_hasKeyChars = true;
    m_keyChars = event.characters;
    m_keyCharsIgnoringModifiers = event.charactersIgnoringModifiers;
    comboChanged();
    m_comboJustChanged = true;
    m_recordingFlags = 0;
    endRecording();
    return true;
}

void SRRecorderCell::flagsChanged(quint32 modifierFlags)
{
    if (!m_isRecording)
        return;
    m_recordingFlags = filteredFlags(modifierFlags);
    Q_EMIT displayChanged();
}

void SRRecorderCell::mouseUp(bool insideButton, bool enabled)
{
    if (insideButton && !m_isRecording)
        setKeyCombo({});
    else if (insideButton && m_isRecording)
        endRecording();
    else if (!m_isRecording && enabled)
        startRecording();
}

void SRRecorderCell::resignFirstResponder()
{
    if (m_isRecording)
        endRecording();
}

bool SRRecorderCell::shortcutValidatorIsKeyCodeAndFlagsTaken(
    int keyCode, quint32 toolkitFlags, QString *reason)
{
    return m_delegate
        && m_delegate->shortcutRecorderCellIsKeyCodeAndFlagsTaken(
            this, keyCode, toolkitFlags, reason);
}
