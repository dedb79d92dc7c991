#pragma once
// The library's clipboard on the system clipboard: named formats as MIME data, bitmaps as
// images.

#include <QMimeData>

#include <memory>

#include "gfx/Clipboard.h"

class QClipboard;

namespace lumvane {

class TQtClipboard : public TClipboard {
public:
  TQtClipboard();
  ~TQtClipboard() override;

  void Open() override;
  bool HasFormat(const std::string& format) const override;
  std::vector<std::uint8_t> Data(const std::string& format) const override;
  bool SetData(const std::string& format, const std::vector<std::uint8_t>& bytes) override;
  bool GetBitmap(TBitmap& bitmap) const override;
  bool SetBitmap(const TBitmap& bitmap) override;

private:
  // Formats set since Open, published together.
  void Publish();

  QClipboard& clipboard_;
  std::unique_ptr<QMimeData> pending_;
};

// The MIME type a named format travels as: the GIF format as image/gif, others by name.
QString MimeTypeOf(const std::string& format);

}  // namespace lumvane
