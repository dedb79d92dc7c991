#include "app/ConvertCommand.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ostream>

#include "app/CommandLine.h"
#include "app/FileWriting.h"
#include "base/Errors.h"
#include "gfx/IconGraphic.h"
#include "gif/GIFImage.h"

namespace lumvane {
namespace {

// Option values by name, in the order of their numbers.
constexpr std::array<const char*, 10> kReductionNames{"none",      "windows20",  "halftone", "windowsgray",
                                                      "monochrome", "grayscale", "netscape", "quantize",
                                                      "quantizewindows", "custom"};
constexpr std::array<const char*, 7> kDitherNames{"nearest", "floydsteinberg", "stucki", "sierra",
                                                  "jajuni",  "stevearche",     "burkes"};

template <std::size_t N>
int IndexOfName(const std::array<const char*, N>& names, const std::string& name) {
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/'), dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

struct TConvertOptions {
  std::vector<std::string> Paths;
  TGIFEncoderKind Encoder = encodeLZW;
  TReductionMethod Reduction = GIFDefaults.ImportReduction;
  TDitherKind Dither = GIFDefaults.ImportDither;
  int Bits = GIFDefaults.ImportPaletteBits;
};

// An error text when the arguments make no sense.
std::string ParseOptions(const std::vector<std::string>& args, TConvertOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--rle") {
      options.Encoder = encodeRLE;
      continue;
    }
    if (arg == "--reduce" || arg == "--dither" || arg == "--bits") {
      if (++i == args.size()) return arg + " needs a value";
      const std::string& value = args[i];
      if (arg == "--reduce") {
        const int method = IndexOfName(kReductionNames, value);
        // A custom palette has no way in from the command line.
        if (method < 0 || method == reduceCustomPalette) return "unknown reduction method " + value;
        options.Reduction = static_cast<TReductionMethod>(method);
      } else if (arg == "--dither") {
        const int kind = IndexOfName(kDitherNames, value);
        if (kind < 0) return "unknown dither kind " + value;
        options.Dither = static_cast<TDitherKind>(kind);
      } else {
        if (value.size() != 1 || value[0] < '1' || value[0] > '8') return "--bits needs a number from 1 to 8";
        options.Bits = value[0] - '0';
      }
      continue;
    }
    if (arg.starts_with("--")) return "unknown option " + arg;
    options.Paths.push_back(arg);
  }
  return options.Paths.size() == 2 ? "" : "expected IN OUT";
}

// Reads the input: a GIF file as it is, a BMP or ICO picture as the one frame of a new
// document, imported with the reduction settings.
void ReadInput(const std::string& path, TGIFImage& image) {
  TMemoryStream input;
  input.LoadFromFile(path);
  const std::string extension = LowerExtension(path);
  if (extension == "bmp") {
    TBitmap bitmap;
    bitmap.LoadFromBMP(input.Bytes());
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->CopyFrom(bitmap);
    image.Add(std::move(frame));
  } else if (extension == "ico") {
    TIcon icon;
    icon.LoadFromStream(input);
    image.Add(icon);
  } else {
    image.LoadFromStream(input);
  }
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  TConvertOptions options;
  if (const std::string problem = ParseOptions(args, options); !problem.empty()) {
    err << "lumvane convert: " << problem << "\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string& in = options.Paths[0];
  const std::string& out = options.Paths[1];
  TGIFImage image;
  image.WarningHandler = [&](const TPersistent*, int, const std::string& message) {
    err << in << ": warning: " << message << "\n";
  };
  image.ImportReduction = options.Reduction;
  image.ImportDither = options.Dither;
  image.ImportPaletteBits = options.Bits;
  try {
    ReadInput(in, image);
    image.EncoderKind = options.Encoder;
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
