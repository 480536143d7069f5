#pragma once

#include <QPalette>

// Which colours the program draws with. By default the platform theme's;
// VELTO_PALETTE=dark or =light sets the Fusion style with a dark or a light
// palette instead, for a desktop whose theme offers no dark Qt palette.
namespace ColourScheme {

inline constexpr char environmentVariable[] = "VELTO_PALETTE";

// A dark palette for Fusion, with readable disabled text.
QPalette darkPalette();
// Applies the scheme the environment asks for; call once the application
// exists. Answers false (and changes nothing) for none or an unknown name,
// which is logged.
bool applyFromEnvironment();

} // namespace ColourScheme
