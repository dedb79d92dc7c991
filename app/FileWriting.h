#pragma once
// Writing a file so that it is never left half-written.

#include <cstdint>
#include <string>
#include <vector>

namespace lumvane {

// Writes the bytes to a temporary file in the same folder and renames it over path. An
// existing file keeps its permissions; a new one gets the usual ones (0666 less the umask).
// On failure the temporary file is removed, path is untouched and EWriteError is raised.
void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace lumvane
