#include "desktop/PTKeyCombo.h"

#include "desktop/ModifierFlags.h"
#include "desktop/PTKeyCodeTranslator.h"
#include "support/PropertyList.h"

#include <QFile>

#include <algorithm>

static void initKeyResources()
{
    Q_INIT_RESOURCE(keys);
}

namespace {

const QVariantMap &keyNameTable()
{
    static const QVariantMap table = [] {
        initKeyResources();
        QFile file(QStringLiteral(":/keys/PTKeyCodes.plist"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("key names: the key-name table is missing");
            return QVariantMap();
        }
        return PropertyList::decode(file.readAll()).value_or(QVariant()).toMap();
    }();
    return table;
}

} // namespace

PTKeyCombo PTKeyCombo::fromPlistRepresentation(const QVariantMap &plist)
{
    if (plist.isEmpty())
        return {};
    qint64 keyCode = plist.value(QStringLiteral("keyCode"), -1).toLongLong();
    qint64 modifiers = plist.value(QStringLiteral("modifiers"), -1).toLongLong();
    if (keyCode < 0)
        keyCode = -1;
    if (modifiers < 1)
        return { qint32(keyCode), noModifiers };
    return { qint32(keyCode), quint32(modifiers) };
}

QVariantMap PTKeyCombo::plistRepresentation() const
{
    return { { QStringLiteral("keyCode"), m_keyCode },
        { QStringLiteral("modifiers"), qint64(qint32(m_modifiers)) } };
}

bool PTKeyCombo::isValidHotKeyCombo() const
{
    return m_keyCode >= 0 && m_modifiers > 0 && m_modifiers != noModifiers;
}

quint32 PTKeyCombo::modifierMask() const
{
    if (m_modifiers == noModifiers)
        return 0;
    return CarbonToToolkitFlags(m_modifiers) & ~toolkit::function;
}

QString keyCodeNameFromTable(qint32 keyCode)
{
    const QVariantMap &table = keyNameTable();
    const QString code = QString::number(keyCode);
    if (table.value(QStringLiteral("version")).toInt() > 0) {
        const QVariantMap unmapped = table.value(QStringLiteral("unmappedKeys")).toMap();
        if (unmapped.contains(code))
            return unmapped.value(code).toString();
        QString name
            = PTKeyCodeTranslator::currentTranslator()->translateKeyCode(keyCode).toUpper();
        const QVariantList padKeys = table.value(QStringLiteral("padKeys")).toList();
        const bool isPadKey = std::any_of(padKeys.begin(), padKeys.end(),
            [keyCode](const QVariant &pad) { return pad.toLongLong() == keyCode; });
        if (isPadKey)
            name = QStringLiteral("%1 %2").arg(
                table.value(QStringLiteral("padKeyString")).toString(), name);
        return name;
    }
    if (table.contains(code))
        return table.value(code).toString();
    return QString::number(keyCode, 16).toUpper();
}

QString PTKeyCombo::keyCodeString() const
{
    if (isClearCombo())
        return {};
    return keyCodeNameFromTable(m_keyCode);
}

QString PTKeyCombo::description() const
{
    if (!isValidHotKeyCombo())
        return QStringLiteral("(None)");
    QString glyphs;
    if (m_modifiers & carbon::command)
        glyphs += QChar(0x2318);
    if (m_modifiers & carbon::option)
        glyphs += QChar(0x2325);
    if (m_modifiers & carbon::control)
        glyphs += QChar(0x2303);
    if (m_modifiers & carbon::shift)
        glyphs += QChar(0x21E7);
    return glyphs + keyCodeString();
}
