#include "app/RenderCommand.h"

#include <algorithm>
#include <ostream>

#include "app/CommandLine.h"
#include "app/FileWriting.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"

namespace lumvane {

int RunRenderCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  std::vector<std::string> paths;
  int frameNumber = 0;
  bool dithered = false, bad = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dithered") {
      dithered = true;
    } else if (args[i] == "--frame" && i + 1 < args.size() && !args[i + 1].empty() && args[i + 1].size() <= 6 &&
               std::all_of(args[i + 1].begin(), args[i + 1].end(), ::isdigit)) {
      frameNumber = std::stoi(args[++i]);
    } else if (args[i].starts_with("--")) {
      bad = true;
    } else {
      paths.push_back(args[i]);
    }
  }
  if (bad || paths.size() != 2) {
    err << "lumvane render: expected FILE OUT.bmp [--frame N] [--dithered]\n";
    PrintUsage(err);
    return kExitUsage;
  }
  try {
    TGIFImage image;
    TMemoryStream input;
    input.LoadFromFile(paths[0]);
    image.LoadFromStream(input);
    // Dithered: always through the web palette, whatever the display.
    image.PaintFlags = dithered ? (image.PaintFlags | drawDithered) & ~drawDitherOnPalette
                                : image.PaintFlags & ~drawDithered;
    if (frameNumber >= image.Frames.Count()) {
      err << paths[0] << ": error: there is no frame " << frameNumber << " (frames 0 to "
          << image.Frames.Count() - 1 << ")\n";
      return kExitFileFailed;
    }
    const TBitmap* bitmap = FrameBitmap(image.Frames[frameNumber]);
    if (!bitmap) {
      err << paths[0] << ": error: frame " << frameNumber << " holds no image\n";
      return kExitFileFailed;
    }
    WriteFileReplacing(paths[1], bitmap->SaveToBMP());
  } catch (const std::exception& error) {
    err << paths[0] << ": error: " << error.what() << "\n";
    return kExitFileFailed;
  }
  return kExitSuccess;
}

}  // namespace lumvane
