#include "desktop/PTKeyCodeTranslator.h"

#include "desktop/KeyboardLayout.h"
#include "desktop/VirtualKeyCodes.h"

PTKeyCodeTranslator::PTKeyCodeTranslator(std::shared_ptr<const KeyboardLayout> layout)
    : m_layout(std::move(layout))
{
}

std::shared_ptr<PTKeyCodeTranslator> PTKeyCodeTranslator::currentTranslator()
{
    static std::shared_ptr<PTKeyCodeTranslator> translator;
    std::shared_ptr<const KeyboardLayout> layout = KeyboardLayout::current();
    if (!translator || translator->keyboardLayout() != layout)
        translator = std::make_shared<PTKeyCodeTranslator>(layout);
    return translator;
}

QString PTKeyCodeTranslator::translateKeyCode(int virtualKeyCode) const
{
    const auto keycode = VirtualKeyCodes::x11Keycode(virtualKeyCode);
    if (!m_layout || !keycode)
        return {};
    return firstCharacter(m_layout->text(*keycode));
}

QString firstCharacter(const QString &text)
{
    if (text.isEmpty())
        return {};
    const int length = text.size() > 1 && text.at(0).isHighSurrogate() ? 2 : 1;
    return text.left(length);
}
