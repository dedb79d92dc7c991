#pragma once
// What a document shows: the pictures a browser composites from its frames, with the time
// each stays on screen, and the comparison of two documents by what they show.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "optimize/TiledCanvas.h"

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
  // The frames that showed it, and the sum of their delays as written (0 without a control
  // block): viewers other than browsers play delays of 0 and 1 as they are.
  int Frames = 0;
  std::int64_t WrittenTime = 0;
};

// A color table entry (red, green, blue) as a picture pixel.
inline std::uint32_t CanvasColor(const std::uint8_t* entry) {
  return 0xFF000000u | entry[0] | entry[1] << 8 | std::uint32_t{entry[2]} << 16;
}

// Whether the compositor paints the frame: it holds pixels for its whole rectangle.
bool HoldsImage(const TGIFSubImage& frame);
// The canvas color the compositor paints for each of the frame's pixel values: its table's
// (its local one when that has entries, else the global one), opaque black beyond the
// table, 0 for the transparent index.
std::array<std::uint32_t, 256> PaintedColors(const TGIFImage& image, const TGIFSubImage& frame);

// Streams the pictures of a document in order. The canvas is kept in tiles where frames
// paint (TTiledCanvas), and each step touches only the area of the frame and of the
// disposal before it: its cost follows the frames' own pixels, not the screen. Besides the
// canvas it keeps, while a picture is handed out, the values the current step overwrote,
// which are that picture's. The document must stay unchanged while the compositor runs.
class TCompositor {
public:
  explicit TCompositor(const TGIFImage& image);

  // The canvas: the logical screen, or the first image frame's size on a 0 × 0 screen.
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The loop count of the first looping block, -1 when there is none (play once).
  int LoopCount() const { return loopCount_; }

  // Moves to the next picture without copying it; false after the last one. Fails with
  // "Image too large" at the first image frame when the canvas would hold more than
  // kMaxCanvasPixels.
  bool Advance();
  // The current picture's time in hundredths (identical neighbours add up).
  std::int64_t Time() const { return time_.Played; }
  // The areas outside which the current picture equals the one before (the first picture:
  // a transparent canvas).
  const std::vector<TCanvasArea>& Changed() const { return changed_; }
  // The current picture inside the area into out, rows of area.Width().
  void ReadPicture(const TCanvasArea& area, std::uint32_t* out) const;

  // Advance, then the whole picture into picture (its buffer is reused).
  bool Next(TPicture& picture);
  // Paints every frame in turn for BeforePaint, without telling pictures apart (the last
  // image frame is handed to BeforePaint but not painted: nothing reads the canvas after).
  void PaintAll();

  // Called with the index of each image frame just before the frame is painted; the canvas
  // as it is then can be read with ReadCanvas. It may change that frame as long as what the
  // frame shows stays the same.
  std::function<void(int frameIndex)> BeforePaint;
  // The canvas inside the area, rows of area.Width(), into out.
  void ReadCanvas(const TCanvasArea& area, std::uint32_t* out) const;
  // Nothing was painted on the canvas yet: it is transparent everywhere.
  bool IsBlank() const;
  // The frame's rectangle cut to the canvas.
  TCanvasArea ClippedRect(const TGIFSubImage& frame) const;

private:
  using TCanvas = std::variant<TTiledCanvas<std::uint8_t>, TTiledCanvas<std::uint16_t>, TTiledCanvas<std::uint32_t>>;

  // Sets up the canvas as narrow as the document's colors allow.
  void Start();
  // Canvas values for the colors of a frame's table; frames that share a table share the
  // last answer.
  const std::array<std::uint32_t, 256>& ValuesOf(const std::array<std::uint32_t, 256>& colors);
  void Paint(const TGIFSubImage& frame, const TCanvasArea& area, const std::uint32_t* values);
  // The canvas values inside the area into out, rows of area.Width().
  void CopyValues(const TCanvasArea& area, std::uint32_t* out) const;
  // Canvas values into the colors they stand for, in place.
  void ToColors(std::uint32_t* values, std::size_t count) const;
  // Keeps the canvas values of the step's areas, which are the pending picture's.
  void SaveStep();
  bool CanvasEqualsStep();
  void ApplyDisposal();
  // How long a picture stays: as browsers play it, and as its frames' delays are written.
  struct TShowTime {
    std::int64_t Played = 0;
    std::int64_t Written = 0;
    int Frames = 0;
  };
  void HandOut(std::vector<TCanvasArea> changed, const TShowTime& time);

  const TGIFImage& image_;
  int width_ = 0;
  int height_ = 0;
  int loopCount_ = -1;
  int nextFrame_ = 0;
  bool started_ = false;  // the canvas is set up once the first image frame comes
  bool paintOnly_ = false;
  int lastImageFrame_ = -1;  // set by PaintAll
  // Each pixel of the canvas holds a value: the slot of its color in palette_ (slot 0:
  // transparent) in one byte when the document's colors take at most 255 slots, in two
  // bytes up to 65535, else the color itself (palette_ empty). Frames hold their pixels as
  // indices; the canvas is no wider than their colors need.
  TCanvas canvas_;
  std::vector<std::uint32_t> palette_;
  // ValuesOf's last answer; table colors are never 0 (opaque), so the zeros it starts with
  // match no table.
  std::array<std::uint32_t, 256> lastColors_{};
  std::array<std::uint32_t, 256> lastValues_{};
  // The last painted frame's area and disposal, applied when the next frame comes; for
  // restoring, the area's values as they were before that frame.
  TCanvasArea disposeArea_;
  TDisposalMethod disposal_ = DisposalUnspecified;
  std::vector<std::uint32_t> saved_;
  // The areas the current step changes (the disposal before, the frame) and their canvas
  // values before it; stepActive_ while a picture handed out is to be read through them.
  std::vector<TCanvasArea> step_;
  std::vector<std::uint32_t> stepValues_;
  bool stepActive_ = false;
  TShowTime stepTime_;
  // The picture not yet handed out (it may still grow by an identical successor).
  bool hasPending_ = false;
  TShowTime pendingTime_;
  std::vector<TCanvasArea> pendingChanged_;
  // The picture handed out.
  TShowTime time_;
  std::vector<TCanvasArea> changed_;
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
