#pragma once
// Starting the desktop window.

#include <string>

namespace lumvane {

// Runs the application with its main window on the folder (the desktop when empty; the
// folder of a file given instead); returns the exit status.
int RunWindow(int argc, char** argv, const std::string& startFolder);

}  // namespace lumvane
