#pragma once
// Base class of the picture system's graphics: size, streaming, progress and change
// notification.

#include <functional>
#include <string>

#include "base/Stream.h"
#include "base/Types.h"

namespace lumvane {

class TCanvas;
class TClipboard;

class TGraphic : public TPersistent {
public:
  ~TGraphic() override = default;

  virtual bool IsEmpty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Draws the picture into the rectangle of the canvas.
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  // Reads the picture from the clipboard's data of that format, or puts it there. A graphic
  // that has no clipboard form fails with EInvalidGraphic "Unsupported clipboard format".
  virtual void LoadFromClipboardFormat(const std::string& format, TClipboard& clipboard);
  virtual void SaveToClipboardFormat(TClipboard& clipboard);

  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

  TProgressEvent OnProgress;
  std::function<void(const TGraphic& sender)> OnChange;

  // Sends a progress report to OnProgress when it is set.
  void Progress(const TPersistent* sender, TProgressStage stage, int percent, bool redrawNow,
                const std::string& message) const {
    if (OnProgress) OnProgress(sender, stage, percent, redrawNow, TRect{}, message);
  }

protected:
  void Changed() const {
    if (OnChange) OnChange(*this);
  }
};

}  // namespace lumvane
