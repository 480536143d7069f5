#include "desktop/SRKeyCodeTransformer.h"

#include "desktop/KeyboardLayout.h"
#include "desktop/PTKeyCodeTranslator.h"
#include "desktop/VirtualKeyCodes.h"

namespace {

std::optional<QString> fixedName(int code)
{
    static const int functionKeys[] = { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105,
        107, 113, 106, 64, 79, 80 };
    for (int i = 0; i < int(std::size(functionKeys)); ++i)
        if (functionKeys[i] == code)
            return QStringLiteral("F%1").arg(i + 1);
    switch (code) {
    case 49:
        return QStringLiteral("Space");
    case 51:
        return QString(QChar(0x232B));
    case 117:
        return QString(QChar(0x2326));
    case 71:
        return QString(QChar(0x2327));
    case 123:
        return QString(QChar(0x2190));
    case 124:
        return QString(QChar(0x2192));
    case 126:
        return QString(QChar(0x2191));
    case 125:
        return QString(QChar(0x2193));
    case 119:
        return QString(QChar(0x2198));
    case 115:
        return QString(QChar(0x2196));
    case 53:
        return QString(QChar(0x238B));
    case 121:
        return QString(QChar(0x21DF));
    case 116:
        return QString(QChar(0x21DE));
    case 36:
        return QString(QChar(0x21A9));
    case 76:
        return QString(QChar(0x2305));
    case 48:
        return QString(QChar(0x21E5));
    case 114:
        return QStringLiteral("?");
    default:
        return std::nullopt;
    }
}

} // namespace

SRKeyCodeTransformer &SRKeyCodeTransformer::shared()
{
    static SRKeyCodeTransformer transformer;
    return transformer;
}

SRKeyCodeTransformer::SRKeyCodeTransformer(std::shared_ptr<const KeyboardLayout> layout)
    : m_fixedLayout(std::move(layout))
{
}

std::shared_ptr<const KeyboardLayout> SRKeyCodeTransformer::layout() const
{
    return m_fixedLayout ? m_fixedLayout : KeyboardLayout::current();
}

std::optional<QString> SRKeyCodeTransformer::transformedValue(const QVariant &value)
{
    bool isNumber = false;
    const qint16 code = qint16(value.toLongLong(&isNumber));
    if (!isNumber || code < 0)
        return std::nullopt;
    if (auto name = fixedName(code))
        return name;
    const QString character = PTKeyCodeTranslator(layout()).translateKeyCode(code).toUpper();
    if (character.isEmpty())
        return std::nullopt;
    if (VirtualKeyCodes::isKeypadKey(code))
        return QStringLiteral("Pad %1").arg(character);
    return character;
}

std::optional<int> SRKeyCodeTransformer::reverseTransformedValue(const QString &name)
{
    if (!m_tableLayout || m_tableLayout != layout())
        rebuildReverseTable();
    const auto it = m_codesByName.constFind(name);
    if (it == m_codesByName.constEnd())
        return std::nullopt;
    return it.value();
}

void SRKeyCodeTransformer::rebuildReverseTable()
{
    m_tableLayout = layout();
    m_codesByName.clear();
    for (int code = 0; code < 128; ++code) {
        const std::optional<QString> name = transformedValue(code);
        if (name && !name->isEmpty())
            m_codesByName.insert(*name, code);
    }
}
