#pragma once

// The desktop toolkit's own dialogs and sounds behind the program's seams:
// alerts become modal message boxes and the beep is the toolkit's. Called
// once by the program at start; tests install recorders instead.
namespace ToolkitServices {

void install();

} // namespace ToolkitServices
