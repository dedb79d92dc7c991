#include "app/window/RunWindow.h"

// The window's own program, started by lumvane (see app/main.cpp) with the folder or file
// to open, if any: the command line never loads Qt.
int main(int argc, char** argv) { return lumvane::RunWindow(argc, argv, argc > 1 ? argv[1] : ""); }
