#include "platform/SystemBeep.h"

namespace SystemBeep {

namespace {
std::function<void()> &player()
{
    static std::function<void()> installed;
    return installed;
}
} // namespace

void beep()
{
    if (player())
        player()();
}

void setPlayer(std::function<void()> newPlayer)
{
    player() = std::move(newPlayer);
}

} // namespace SystemBeep
