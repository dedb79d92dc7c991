#pragma once
// "lumvane compare": whether a second GIF file shows what a first one shows.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

// Arguments: A B. Exit status 0 when B shows what A shows, 1 when it does not or a file
// fails to load, 2 for a usage error.
int RunCompareCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumvane
