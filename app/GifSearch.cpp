#include "app/GifSearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <memory>

namespace lumvane {
namespace {

bool HasGifExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".gif";
}

}  // namespace

std::vector<std::string> FindGifFiles(const std::string& folder, bool recursive) {
  std::vector<std::string> files, subfolders;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return files;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const std::string path = prefix + name;
    const bool gif = HasGifExtension(name);
    if (!recursive && !gif) continue;
    struct stat link {}, info {};
    if (::lstat(path.c_str(), &link) != 0) continue;
    if (!S_ISLNK(link.st_mode))
      info = link;
    else if (::stat(path.c_str(), &info) != 0)
      continue;
    if (S_ISREG(info.st_mode) && gif)
      files.push_back(path);
    else if (recursive && S_ISDIR(link.st_mode))  // linked folders are not followed: no cycles
      subfolders.push_back(path);
  }
  for (const std::string& subfolder : subfolders) {
    std::vector<std::string> found = FindGifFiles(subfolder, true);
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

}  // namespace lumvane
