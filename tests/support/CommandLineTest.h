#pragma once
// A fixture for command-line tests: a temporary folder of its own, and the command line
// run as a user would run it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CommandLine.h"
#include "support/GifBytes.h"

namespace lumvane::test {

class CommandLineTest : public ::testing::Test {
protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("lumvane-test-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Writes the bytes to a file of the folder (creating subfolders) and returns its path.
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::filesystem::path path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
  }
  // Runs the command line with input as its standard input; output gets standard output,
  // then standard error unless err is given to take it.
  int Run(const std::vector<std::string>& args, std::string& output, std::string* err = nullptr,
          const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, errors;
    const int status = RunCommandLine(args, in, out, errors);
    output = out.str() + (err ? "" : errors.str());
    if (err) *err = errors.str();
    return status;
  }
  int Run(const std::vector<std::string>& args) {
    std::string ignored;
    return Run(args, ignored);
  }
  // The names in the folder, sorted.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace lumvane::test
