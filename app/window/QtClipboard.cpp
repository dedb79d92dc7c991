#include "app/window/QtClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>

#include "app/window/PreviewPane.h"
#include "gfx/Bitmap.h"

namespace lumvane {
namespace {

// A copy of the mime data the clipboard holds, so that formats can be added to it.
std::unique_ptr<QMimeData> CopyOf(const QMimeData* data) {
  auto copy = std::make_unique<QMimeData>();
  if (data)
    for (const QString& format : data->formats()) copy->setData(format, data->data(format));
  return copy;
}

}  // namespace

QString MimeTypeOf(const std::string& format) {
  return format == kGIFClipboardFormat ? QStringLiteral("image/gif") : QString::fromStdString(format);
}

TQtClipboard::TQtClipboard() : clipboard_(*QApplication::clipboard()) {}
TQtClipboard::~TQtClipboard() = default;

void TQtClipboard::Open() { pending_ = std::make_unique<QMimeData>(); }

void TQtClipboard::Publish() {
  // The clipboard takes ownership; a copy stays here for further formats of the same contents.
  clipboard_.setMimeData(CopyOf(pending_.get()).release());
}

bool TQtClipboard::HasFormat(const std::string& format) const {
  const QMimeData* data = clipboard_.mimeData();
  return data && data->hasFormat(MimeTypeOf(format));
}

std::vector<std::uint8_t> TQtClipboard::Data(const std::string& format) const {
  const QMimeData* data = clipboard_.mimeData();
  if (!data) return {};
  const QByteArray bytes = data->data(MimeTypeOf(format));
  return {bytes.begin(), bytes.end()};
}

bool TQtClipboard::SetData(const std::string& format, const std::vector<std::uint8_t>& bytes) {
  if (!pending_) pending_ = CopyOf(clipboard_.mimeData());
  pending_->setData(MimeTypeOf(format),
                    QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
  Publish();
  return HasFormat(format);
}

bool TQtClipboard::GetBitmap(TBitmap& bitmap) const {
  const QImage image = clipboard_.image().convertToFormat(QImage::Format_BGR888);
  if (image.isNull()) return false;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::copy_n(image.constScanLine(y), static_cast<std::size_t>(image.width()) * 3, bitmap.ScanLine(y));
  return true;
}

bool TQtClipboard::SetBitmap(const TBitmap& bitmap) {
  if (!pending_) pending_ = CopyOf(clipboard_.mimeData());
  pending_->setImageData(ImageOfBitmap(bitmap));
  Publish();
  return clipboard_.mimeData() && clipboard_.mimeData()->hasImage();
}

}  // namespace lumvane
