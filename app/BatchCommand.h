#pragma once
// "lumvane test" and "lumvane optimize": the batch run over files and folders.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

// Arguments: [-r] [--json | -q] [--jobs N] [--thorough] [--files-from LIST [-0]] PATH...;
// writeBack is true for "optimize"; in gives the list "--files-from -" reads. Returns the
// exit status: 0 when every file was handled, 1 when any failed, 2 for a usage error.
int RunBatchCommand(bool writeBack, const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err);

}  // namespace lumvane
