#pragma once
// The picture system: a process-wide registry of graphic classes by file extension, and the
// picture container that loads a file through it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gfx/Clipboard.h"
#include "gfx/Graphic.h"

namespace lumvane {

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TGraphicFileFormat {
  std::string Extension;  // as registered, without the dot
  std::string Description;
};

// Registers (or replaces) the class created for files of the extension, e.g. "GIF"; the
// case of the extension does not matter. Fails with std::invalid_argument for an empty
// extension, one with a dot (no file name would ever match it) or an empty factory.
void RegisterGraphicClass(const std::string& extension, const std::string& description, TGraphicFactory create);
// Withdraws the class registered for the extension; nothing when there is none.
void UnregisterGraphicClass(const std::string& extension);
// The registered formats, sorted by extension.
std::vector<TGraphicFileFormat> GraphicFileFormats();
// A new, empty graphic of the class registered for the file's extension; none when no
// class is registered for it.
std::unique_ptr<TGraphic> CreateGraphicFor(const std::string& path);

// Registers (or replaces) the class whose graphics read the named clipboard format.
void RegisterClipboardFormat(const std::string& format, TGraphicFactory create);
void UnregisterClipboardFormat(const std::string& format);
// A new, empty graphic of the class registered for the first registered format (in name
// order) that the clipboard holds, with that format's name; none when it holds none.
std::unique_ptr<TGraphic> CreateGraphicForClipboard(const TClipboard& clipboard, std::string& format);

// The picture a preview pane holds: at most one graphic.
class TPictureContainer {
public:
  // Loads the file into a new graphic of the class registered for its extension, and holds
  // that graphic when the load succeeds. On any failure the previous picture stays and the
  // error passes on: EInvalidGraphic for an unknown extension, else the load's own error.
  void LoadFromFile(const std::string& path);
  // Drops the picture.
  void Clear();
  // Takes the picture from the clipboard, through the registered clipboard formats; on
  // failure the previous picture stays ("Unsupported clipboard format" when no registered
  // format is there).
  void PasteFromClipboard(TClipboard& clipboard);
  // Puts the picture on the clipboard; nothing for an empty container.
  void CopyToClipboard(TClipboard& clipboard);
  TGraphic* Graphic() const { return graphic_.get(); }

  // Called after a successful load or a clear.
  std::function<void()> OnChange;

private:
  void Changed() const {
    if (OnChange) OnChange();
  }

  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace lumvane
