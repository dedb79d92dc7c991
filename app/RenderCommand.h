#pragma once
// "lumvane render": one frame as the library renders it, written as a BMP file.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

// Arguments: FILE OUT.bmp [--frame N] [--dithered]. Returns the exit status.
int RunRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumvane
