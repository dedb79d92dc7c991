#include "app/ConvertCommand.h"

#include <ostream>

#include "app/CommandLine.h"
#include "app/FileWriting.h"
#include "gif/GIFImage.h"

namespace lumvane {

int RunConvertCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  std::vector<std::string> paths;
  TGIFEncoderKind encoder = encodeLZW;
  bool unknownOption = false;
  for (const std::string& arg : args) {
    if (arg == "--rle")
      encoder = encodeRLE;
    else if (arg.starts_with("--"))
      unknownOption = true;
    else
      paths.push_back(arg);
  }
  if (paths.size() != 2 || unknownOption) {
    err << "lumvane convert: expected IN OUT [--rle]\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string& in = paths[0];
  const std::string& out = paths[1];
  TGIFImage image;
  image.WarningHandler = [&](const TPersistent*, int, const std::string& message) {
    err << in << ": warning: " << message << "\n";
  };
  try {
    TMemoryStream input;
    input.LoadFromFile(in);
    image.LoadFromStream(input);
    image.EncoderKind = encoder;
    TMemoryStream output;
    image.SaveToStream(output);
    WriteFileReplacing(out, output.Bytes());
  } catch (const std::exception& error) {
    err << in << ": error: " << error.what() << "\n";
    return kExitFileFailed;
  }
  return kExitSuccess;
}

}  // namespace lumvane
