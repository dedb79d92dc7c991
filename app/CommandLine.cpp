#include "app/CommandLine.h"

#include <ostream>

#include "app/BatchCommand.h"
#include "app/CompareCommand.h"
#include "app/ConvertCommand.h"
#include "app/InfoCommand.h"
#include "app/RenderCommand.h"

namespace lumvane {

void PrintUsage(std::ostream& out) {
  out << "Usage: lumvane test [OPTIONS] PATH...\n"
         "           sizes and savings of the GIF files and folders given; nothing is written\n"
         "       lumvane optimize [OPTIONS] PATH...\n"
         "           the same, and smaller results that show the same replace the files\n"
         "           OPTIONS: -r  descend into subfolders\n"
         "                    --json  one object per file, then a summary object\n"
         "                    -q, --quiet  only failed files and the total\n"
         "                    --jobs N  files worked on at once, default one per core\n"
         "                    --thorough  try harder for smaller files, taking far longer\n"
         "                    --files-from LIST  also the paths LIST names, one a line\n"
         "                        (- for standard input); -0, --null: separated by NUL bytes\n"
         "                    -o DIR, --output DIR  (optimize) results into DIR, the files\n"
         "                        left as they are\n"
         "           PATH - alone: a GIF from standard input; optimize writes the smaller of\n"
         "           the result and the input to standard output, the report to standard error\n"
         "       lumvane --version                 the version\n"
         "       lumvane info FILE...              blocks, frames, color tables, extensions and warnings\n"
         "       lumvane convert IN OUT [--rle] [--reduce METHOD] [--dither KIND] [--bits N]\n"
         "           read a GIF and write it again, unoptimized (--rle: with the run-length\n"
         "           encoder); a BMP or ICO picture becomes a one-frame GIF, true color reduced\n"
         "           by METHOD: none, windows20, halftone, windowsgray, monochrome, grayscale,\n"
         "           netscape (default), quantize (2^N colors, N 1..8, default 8),\n"
         "           quantizewindows; dithered by KIND: nearest (default), floydsteinberg,\n"
         "           stucki, sierra, jajuni, stevearche, burkes\n"
         "       lumvane compare A B               whether B shows what A shows, else the first difference\n"
         "       lumvane render FILE OUT.bmp [--frame N] [--dithered]\n"
         "                                         one frame as rendered, as a BMP file\n";
}

int RunCommandLine(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "lumvane: no command given.\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string& command = args[0];
  const std::vector<std::string> operands(args.begin() + 1, args.end());
  if (command == "info" && !operands.empty()) return RunInfoCommand(operands, out);
  if (command == "convert") return RunConvertCommand(operands, out, err);
  if (command == "render") return RunRenderCommand(operands, out, err);
  if (command == "compare") return RunCompareCommand(operands, out, err);
  if (command == "test" || command == "optimize") return RunBatchCommand(command == "optimize", operands, in, out, err);
  if (command == "--version" && operands.empty()) {
    out << "lumvane " << LUMVANE_VERSION << "\n";
    return kExitSuccess;
  }
  if (command == "-h" || command == "--help" || command == "help") {
    PrintUsage(out);
    return kExitSuccess;
  }
  err << "lumvane: unknown command or missing operand: " << command << "\n";
  PrintUsage(err);
  return kExitUsage;
}

}  // namespace lumvane
