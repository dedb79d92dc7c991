#include "support/GiflibCompositor.h"

#include <gif_lib.h>

#include <gtest/gtest.h>

#include <cstring>

namespace lumvane::test {
namespace {

bool HoldsImage(const GiflibFrame& frame) { return frame.Width > 0 && frame.Height > 0; }

// The frame's last graphic control block, decoded by giflib.
GraphicsControlBlock LastControl(const GiflibFrame& frame) {
  GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  for (const GiflibBlock& block : frame.Extensions)
    if (block.Function == GRAPHICS_EXT_FUNC_CODE)
      DGifExtensionToGCB(block.Bytes.size(), block.Bytes.data(), &control);
  return control;
}

bool IsLoopingIdentity(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() == 11 && (std::memcmp(bytes.data(), "NETSCAPE2.0", 11) == 0 ||
                                std::memcmp(bytes.data(), "ANIMEXTS1.0", 11) == 0);
}

// The loop sub-block (id 1, then the count, low byte first) of the first looping
// application block, in file order including the blocks after the last image; -1 when
// there is no such block or it has no loop sub-block (it plays once).
int FirstLoopCount(const GiflibFile& file) {
  std::vector<const GiflibBlock*> blocks;
  for (const GiflibFrame& frame : file.Frames)
    for (const GiflibBlock& block : frame.Extensions) blocks.push_back(&block);
  for (const GiflibBlock& block : file.TrailingExtensions) blocks.push_back(&block);
  bool inLoopingBlock = false;
  for (const GiflibBlock* block : blocks) {
    if (block->Function != CONTINUE_EXT_FUNC_CODE) {
      if (inLoopingBlock) return -1;
      inLoopingBlock = block->Function == APPLICATION_EXT_FUNC_CODE && IsLoopingIdentity(block->Bytes);
    } else if (inLoopingBlock && block->Bytes.size() >= 3 && (block->Bytes[0] & 7) == 1) {
      return block->Bytes[1] | block->Bytes[2] << 8;
    }
  }
  return -1;
}

std::uint32_t ColorAt(const std::vector<std::uint8_t>& map, int index) {
  const std::size_t at = static_cast<std::size_t>(index) * 3;
  if (at + 2 >= map.size()) return 0xFF000000u;
  return 0xFF000000u | map[at] | map[at + 1] << 8 | std::uint32_t{map[at + 2]} << 16;
}

}  // namespace

GiflibCompositor::GiflibCompositor(const GiflibFile& file)
    : file_(file), width_(file.Width), height_(file.Height), loopCount_(FirstLoopCount(file)) {
  if (width_ == 0 && height_ == 0) {
    for (const GiflibFrame& frame : file.Frames) {
      if (!HoldsImage(frame)) continue;
      width_ = frame.Width;
      height_ = frame.Height;
      break;
    }
  }
  canvas_.assign(static_cast<std::size_t>(width_) * height_, 0);
}

GiflibPicture GiflibCompositor::Show(const GiflibFrame& frame) {
  const GraphicsControlBlock control = LastControl(frame);
  const std::vector<std::uint32_t> before = canvas_;
  const std::vector<std::uint8_t>& map = frame.LocalColorMap.empty() ? file_.GlobalColorMap : frame.LocalColorMap;
  const auto inside = [&](int x, int y) { return x < width_ && y < height_; };
  for (int y = 0; y < frame.Height; ++y) {
    for (int x = 0; x < frame.Width; ++x) {
      const int index = frame.Pixels[static_cast<std::size_t>(y) * frame.Width + x];
      if (index == control.TransparentColor || !inside(frame.Left + x, frame.Top + y)) continue;
      canvas_[static_cast<std::size_t>(frame.Top + y) * width_ + frame.Left + x] = ColorAt(map, index);
    }
  }
  GiflibPicture shown{canvas_, control.DelayTime <= 1 ? 10 : control.DelayTime};
  if (control.DisposalMode == DISPOSE_BACKGROUND) {
    for (int y = frame.Top; y < frame.Top + frame.Height; ++y)
      for (int x = frame.Left; x < frame.Left + frame.Width; ++x)
        if (inside(x, y)) canvas_[static_cast<std::size_t>(y) * width_ + x] = 0;
  } else if (control.DisposalMode == DISPOSE_PREVIOUS || control.DisposalMode == 4) {
    canvas_ = before;
  }
  return shown;
}

bool GiflibCompositor::Next(GiflibPicture& picture) {
  while (next_ < file_.Frames.size()) {
    const GiflibFrame& frame = file_.Frames[next_++];
    if (!HoldsImage(frame)) continue;
    GiflibPicture shown = Show(frame);
    if (pending_ && pending_->Pixels == shown.Pixels) {
      pending_->Time += shown.Time;
      continue;
    }
    const bool ready = pending_.has_value();
    if (ready) picture = std::move(*pending_);
    pending_ = std::move(shown);
    if (ready) return true;
  }
  if (!pending_) return false;
  picture = std::move(*pending_);
  pending_.reset();
  return true;
}

// The pictures, times and (for animations) loop count that giflib's reading shows.
struct GiflibShow {
  std::vector<GiflibPicture> Pictures;
  int LoopCount = -1;
};

namespace {

GiflibShow ShowOf(const GiflibFile& file) {
  GiflibShow show;
  GiflibCompositor compositor(file);
  GiflibPicture picture;
  while (compositor.Next(picture)) show.Pictures.push_back(picture);
  show.LoopCount = compositor.LoopCount();
  return show;
}

}  // namespace

void ExpectSameGiflibShow(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& optimized) {
  const auto before = GiflibRead(original);
  if (!before) return;
  const auto after = GiflibRead(optimized);
  ASSERT_TRUE(after.has_value()) << "giflib cannot read the optimized file";
  const GiflibShow a = ShowOf(*before), b = ShowOf(*after);
  ASSERT_EQ(a.Pictures.size(), b.Pictures.size());
  for (std::size_t i = 0; i < a.Pictures.size(); ++i) {
    EXPECT_TRUE(a.Pictures[i].Pixels == b.Pictures[i].Pixels) << "picture " << i;
    if (a.Pictures.size() > 1) {
      EXPECT_EQ(a.Pictures[i].Time, b.Pictures[i].Time) << "picture " << i;
    }
  }
  if (a.Pictures.size() > 1) {
    EXPECT_EQ(a.LoopCount, b.LoopCount);
  }
}

}  // namespace lumvane::test
