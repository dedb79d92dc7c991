#pragma once
// "lumvane convert": reads a picture and writes it as a GIF file, unoptimized.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

// Arguments: IN OUT [--rle]. Returns the exit status.
int RunConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumvane
