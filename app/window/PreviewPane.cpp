#include "app/window/PreviewPane.h"

#include <QPainter>
#include <cstring>
#include <QTimer>

#include "app/window/ErrorReport.h"
#include "gfx/Canvas.h"

namespace lumvane {

QImage ImageOfBitmap(const TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  if (bitmap.PixelFormat() == TPixelFormat::pf24bit) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
    const auto rowBytes = static_cast<std::size_t>(bitmap.Width()) * 3;
    for (int y = 0; y < bitmap.Height(); ++y) std::memcpy(image.scanLine(y), bitmap.ScanLine(y), rowBytes);
    return image;
  }
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor color = bitmap.PixelColor(x, y);
      row[x] = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    }
  }
  return image;
}

TPreviewPane::TPreviewPane(QWidget* parent) : QWidget(parent) {}

TPreviewPane::~TPreviewPane() {
  // The document stops its painters as it goes; none may reach this pane meanwhile.
  if (TGraphic* graphic = picture_.Graphic()) graphic->OnChange = nullptr;
  picture_.Clear();
}

void TPreviewPane::LoadFromFile(const std::string& path) {
  if (drawing_) {
    // The picture is inside its own Draw (waiting for its first frame): replacing it now
    // would pull the document from under that call.
    QTimer::singleShot(0, this, [this, path] { Guarded([&] { LoadFromFile(path); }); });
    return;
  }
  picture_.LoadFromFile(path);
  Attach();
}

void TPreviewPane::Clear() {
  if (drawing_) {
    QTimer::singleShot(0, this, [this] { Clear(); });
    return;
  }
  picture_.Clear();
  Attach();
}

void TPreviewPane::Attach() {
  updates_ = 0;
  frame_.SetSize(0, 0);
  if (TGraphic* graphic = picture_.Graphic()) {
    graphic->OnChange = [this](const TGraphic&) { Redraw(); };
    if (!graphic->IsEmpty() && graphic->Width() > 0 && graphic->Height() > 0)
      frame_.SetSize(graphic->Width(), graphic->Height());
  }
  shown_ = QImage();
  Redraw();
}

void TPreviewPane::Redraw() {
  TGraphic* graphic = picture_.Graphic();
  if (graphic && !frame_.Empty() && !drawing_) {
    drawing_ = true;
    struct TReset {
      bool& flag;
      ~TReset() { flag = false; }
    } reset{drawing_};
    TCanvas& canvas = frame_.Canvas();
    const QColor background = palette().color(QPalette::Window);
    canvas.BrushColor = static_cast<TColor>(background.red() | (background.green() << 8) | (background.blue() << 16));
    canvas.FillRect(canvas.ClipRect());
    graphic->Draw(canvas, canvas.ClipRect());
  }
  shown_ = ImageOfBitmap(frame_);
  ++updates_;
  update();
}

void TPreviewPane::paintEvent(QPaintEvent*) {
  if (shown_.isNull()) return;
  QPainter painter(this);
  QSize size = shown_.size();
  if (size.width() > width() || size.height() > height()) size.scale(this->size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, size != shown_.size());
  painter.drawImage(target, shown_);
}

}  // namespace lumvane
