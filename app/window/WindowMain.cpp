#include <string>
#include <vector>

#include "app/window/RunWindow.h"

// The window's own program, started by lumvane (see app/main.cpp) with the folder or files
// to open, if any: the command line never loads Qt.
int main(int argc, char** argv) { return lumvane::RunWindow(argc, argv, std::vector<std::string>(argv + 1, argv + argc)); }
