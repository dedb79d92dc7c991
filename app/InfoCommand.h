#pragma once
// "lumvane info": what a GIF file holds, block by block, and what its load reported.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

class TGIFImage;

// Writes the description of an already loaded document.
void DescribeDocument(TGIFImage& image, std::ostream& out);

// Loads and describes each file; 1 when any file failed to load, else 0.
int RunInfoCommand(const std::vector<std::string>& paths, std::ostream& out);

}  // namespace lumvane
