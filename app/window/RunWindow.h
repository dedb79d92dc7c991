#pragma once
// Starting the desktop window.

#include <string>
#include <vector>

namespace lumvane {

// Runs the application with its main window on the folder given (none: the folder shown
// last, else the desktop), or listing exactly the files given; returns the exit status.
int RunWindow(int argc, char** argv, const std::vector<std::string>& paths);

}  // namespace lumvane
