#pragma once
// Starting the desktop window.

#include <string>

namespace lumvane {

// Whether a window can be opened here: a display, or a Qt platform chosen explicitly.
bool DisplayAvailable();
// Runs the application with its main window on the folder (the desktop when empty; the
// folder of a file given instead); returns the exit status.
int RunWindow(int argc, char** argv, const std::string& startFolder);

}  // namespace lumvane
