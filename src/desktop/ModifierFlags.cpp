#include "desktop/ModifierFlags.h"

namespace {

struct FlagPair {
    quint32 carbonFlag;
    quint32 toolkitFlag;
};

constexpr FlagPair pairs[] = {
    { carbon::command, toolkit::command },
    { carbon::option, toolkit::option },
    { carbon::control, toolkit::control },
    { carbon::shift, toolkit::shift },
    { carbon::function, toolkit::function },
};

} // namespace

quint32 CarbonToToolkitFlags(quint32 carbonFlags)
{
    quint32 result = 0;
    for (const FlagPair &pair : pairs)
        if (carbonFlags & pair.carbonFlag)
            result |= pair.toolkitFlag;
    return result;
}

quint32 ToolkitToCarbonFlags(quint32 toolkitFlags)
{
    quint32 result = 0;
    for (const FlagPair &pair : pairs)
        if (toolkitFlags & pair.toolkitFlag)
            result |= pair.carbonFlag;
    return result;
}

quint32 toolkitFlagsFromQt(Qt::KeyboardModifiers modifiers)
{
    quint32 flags = 0;
    if (modifiers & Qt::MetaModifier)
        flags |= toolkit::command;
    if (modifiers & Qt::AltModifier)
        flags |= toolkit::option;
    if (modifiers & Qt::ControlModifier)
        flags |= toolkit::control;
    if (modifiers & Qt::ShiftModifier)
        flags |= toolkit::shift;
    return flags;
}

quint32 carbonFlagsFromQt(Qt::KeyboardModifiers modifiers)
{
    return ToolkitToCarbonFlags(toolkitFlagsFromQt(modifiers));
}
