#include "app/CommandLine.h"

#include <ostream>

#include "app/ConvertCommand.h"
#include "app/InfoCommand.h"

namespace lumvane {

void PrintUsage(std::ostream& out) {
  out << "Usage: lumvane info FILE...              blocks, frames, color tables, extensions and warnings\n"
         "       lumvane convert IN OUT [--rle]    read a GIF and write it again, unoptimized\n"
         "                                         (--rle: with the run-length encoder)\n";
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "lumvane: this build has no desktop window; use a command.\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string& command = args[0];
  const std::vector<std::string> operands(args.begin() + 1, args.end());
  if (command == "info" && !operands.empty()) return RunInfoCommand(operands, out);
  if (command == "convert") return RunConvertCommand(operands, out, err);
  if (command == "-h" || command == "--help" || command == "help") {
    PrintUsage(out);
    return kExitSuccess;
  }
  err << "lumvane: unknown command or missing operand: " << command << "\n";
  PrintUsage(err);
  return kExitUsage;
}

}  // namespace lumvane
