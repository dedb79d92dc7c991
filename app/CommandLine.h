#pragma once
// The headless command line: dispatch of the commands and the usage text.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

// Exit statuses of every command.
constexpr int kExitSuccess = 0;
constexpr int kExitFileFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::ostream& out);

// Runs the command named by the first argument, with in as its standard input; returns the
// exit status.
int RunCommandLine(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace lumvane
