#pragma once
// Finding the GIF files of a folder, as the file list shows them.

#include <string>
#include <vector>

namespace lumvane {

// The *.gif files of a folder (the extension in any case), regular files only, hidden
// (dot) files left out, in the order the directory returns them; with recursive, the
// files of its non-hidden subfolders follow, folder by folder.
std::vector<std::string> FindGifFiles(const std::string& folder, bool recursive);

}  // namespace lumvane
