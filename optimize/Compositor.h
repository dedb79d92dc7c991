#pragma once
// What a document shows: the pictures a browser composites from its frames, with the time
// each stays on screen, and the comparison of two documents by what they show.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gif/GIFImage.h"

namespace lumvane {

// The canvas may hold at most as many pixels as one frame may; a larger screen fails with
// "Image too large" before anything is allocated.
constexpr std::int64_t kMaxCanvasPixels = kMaxFramePixels;

// One picture: the whole canvas, rows top to bottom. A pixel is 0 when transparent, else
// 0xFF000000 | red | green << 8 | blue << 16, so equal pictures are equal in memory.
struct TPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  // Hundredths of a second; identical neighbours add up, so this may pass 32 bits.
  std::int64_t Time = 0;
};

// A color table entry (red, green, blue) as a picture pixel.
inline std::uint32_t CanvasColor(const std::uint8_t* entry) {
  return 0xFF000000u | entry[0] | entry[1] << 8 | std::uint32_t{entry[2]} << 16;
}

// Streams the pictures of a document in order, keeping only the canvas, the part of it a
// restoring frame covers and the picture not yet handed out (it may still grow by an
// identical successor). The document must stay unchanged while the compositor runs.
class TCompositor {
public:
  explicit TCompositor(const TGIFImage& image);

  // The canvas: the logical screen, or the first image frame's size on a 0 × 0 screen.
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The loop count of the first looping block, -1 when there is none (play once).
  int LoopCount() const { return loopCount_; }

  // The next picture into picture (its buffer is reused); false after the last one. Fails
  // with "Image too large" at the first image frame when the canvas would hold more than
  // kMaxCanvasPixels.
  bool Next(TPicture& picture);

  // Called with the index of each image frame and the canvas (Width × Height) just before
  // the frame is painted on it. It may change that frame as long as what the frame shows
  // stays the same.
  std::function<void(int frameIndex, const std::uint32_t* canvas)> BeforePaint;

private:
  // Rows [Top, Bottom) and columns [Left, Right) of the canvas.
  struct TArea {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
    // The bounding box of both areas.
    TArea Including(const TArea& other) const;
  };

  TArea ClippedRect(const TGIFSubImage& frame) const;
  void Paint(const TGIFSubImage& frame, const TArea& area, const std::uint32_t* colors);
  void SaveArea(const TArea& area);
  void RestoreArea(const TArea& area);
  void ClearArea(const TArea& area);
  bool CanvasEqualsPending(const TArea& area) const;

  const TGIFImage& image_;
  int width_ = 0;
  int height_ = 0;
  int loopCount_ = -1;
  int nextFrame_ = 0;
  bool started_ = false;  // the canvas is allocated once the first image frame comes
  std::vector<std::uint32_t> canvas_;
  std::vector<std::uint32_t> saved_;  // the area a restoring frame covers, as it was before
  std::vector<std::uint32_t> pending_;
  std::int64_t pendingTime_ = 0;
  bool hasPending_ = false;
  // Where the canvas may differ from the pending picture.
  TArea changed_;
};

struct TShowComparison {
  bool Same = true;
  // The first difference in plain English; empty when the shows are the same.
  std::string Difference;
};

// Walks the pictures of both documents side by side and names the first difference. A
// document without image frames shows nothing. The time of a picture counts only in an
// animation (more than one picture), and so does the loop count. Fails as TCompositor::Next.
TShowComparison CompareShows(const TGIFImage& a, const TGIFImage& b);

}  // namespace lumvane
