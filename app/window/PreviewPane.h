#pragma once
// The preview pane: holds at most one picture loaded through the picture system, centred,
// scaled down with its proportions kept when it does not fit; a GIF document animates
// itself through its painter and the pane shows each new frame.

#include <QImage>
#include <QString>
#include <QWidget>

#include <string>

#include "gfx/Bitmap.h"
#include "gfx/PictureSystem.h"

namespace lumvane {

class TPreviewPane : public QWidget {
  Q_OBJECT

public:
  explicit TPreviewPane(QWidget* parent = nullptr);
  ~TPreviewPane() override;

  // Loads the file and shows it; on failure the previous picture stays and the error passes
  // on. A request that arrives while the picture is drawing itself is carried out right after.
  void LoadFromFile(const std::string& path);
  void Clear();

  const TPictureContainer& Picture() const { return picture_; }
  // What the pane shows now, at the picture's own size (null when empty).
  const QImage& Shown() const { return shown_; }
  // How many times the shown image was renewed since the last load or clear.
  int Updates() const { return updates_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void Attach();
  void Redraw();

  TPictureContainer picture_;
  TBitmap frame_;
  QImage shown_;
  int updates_ = 0;
  bool drawing_ = false;
};

// The bitmap as a Qt image (a copy).
QImage ImageOfBitmap(const TBitmap& bitmap);

}  // namespace lumvane
