#include "app/BatchOptions.h"

#include <algorithm>
#include <istream>
#include <thread>

namespace lumvane {
namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE": advances i past it.
bool OptionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name, std::string& value,
                 std::string& problem) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (++i == args.size()) {
      problem = name + " needs a value";
      return true;
    }
    value = args[i];
    return true;
  }
  if (!arg.starts_with(name + "=")) return false;
  value = arg.substr(name.size() + 1);
  return true;
}

}  // namespace

std::string ParseBatchOptions(const std::vector<std::string>& args, TBatchOptions& options) {
  options.Jobs = std::max(1u, std::thread::hardware_concurrency());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value, problem;
    if (arg == "-r") {
      options.Recursive = true;
    } else if (arg == "--json") {
      options.Json = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options.Quiet = true;
    } else if (arg == "--thorough") {
      options.Thorough = true;
    } else if (arg == "-0" || arg == "--null") {
      options.NulSeparated = true;
    } else if (OptionValue(args, i, "--jobs", value, problem)) {
      if (!problem.empty()) return problem;
      if (value.empty() || value.size() > 4 || !std::all_of(value.begin(), value.end(), ::isdigit) ||
          std::stoi(value) < 1)
        return "--jobs needs a number from 1 to 9999";
      options.Jobs = static_cast<unsigned>(std::stoi(value));
    } else if (OptionValue(args, i, "--files-from", value, problem)) {
      if (!problem.empty()) return problem;
      if (value.empty()) return "--files-from needs a file, or - for standard input";
      options.FilesFrom = value;
    } else if (OptionValue(args, i, "-o", value, problem) || OptionValue(args, i, "--output", value, problem)) {
      if (!problem.empty()) return problem;
      if (value.empty()) return "--output needs a folder";
      options.Output = value;
    } else if (arg.starts_with("-") && arg != "-") {
      return "unknown option " + arg;
    } else {
      options.Paths.push_back(arg);
    }
  }
  if (options.NulSeparated && options.FilesFrom.empty()) return "-0 goes with --files-from";
  return options.Paths.empty() && options.FilesFrom.empty() ? "no file or folder given" : "";
}

std::vector<std::string> ReadPathList(std::istream& list, bool nulSeparated) {
  std::vector<std::string> paths;
  for (std::string path; std::getline(list, path, nulSeparated ? '\0' : '\n');)
    if (!path.empty()) paths.push_back(path);
  return paths;
}

}  // namespace lumvane
