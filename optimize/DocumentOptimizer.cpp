// Rewriting a document so that it saves smaller without changing what it shows: packed
// color maps, no unused transparency or needless disposal, frames made transparent where
// they repeat what is on screen and cropped to what changes, and no blocks that do not
// affect the picture.

#include <algorithm>
#include <optional>
#include <vector>

#include "base/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFTextExtensions.h"
#include "gif/GIFUnknownExtension.h"

namespace lumvane {
namespace {

const std::string kOptimizing = "Optimizing...";

TDisposalMethod DisposalOf(const TGIFSubImage& frame) {
  return frame.ControlExtension ? EffectiveDisposal(frame.ControlExtension->Disposal()) : DisposalUnspecified;
}

template <class T>
std::vector<T*> ExtensionsOf(TGIFSubImage& frame) {
  std::vector<T*> found;
  for (const auto& extension : frame.Extensions())
    if (auto* typed = dynamic_cast<T*>(extension.get())) found.push_back(typed);
  return found;
}

// Viewers take the last of several graphic control blocks: keep one, with its values.
void KeepLastControlBlock(TGIFSubImage& frame) {
  const auto blocks = ExtensionsOf<TGIFGraphicControlExtension>(frame);
  if (blocks.size() < 2) return;
  TGIFGraphicControlExtension* kept = frame.ControlExtension ? frame.ControlExtension : blocks.front();
  frame.ControlExtension = kept;
  kept->ControlBlock = blocks.back()->ControlBlock;
  frame.Extensions().DeleteIf([kept](int, const TGIFExtension& extension) {
    return &extension != kept && dynamic_cast<const TGIFGraphicControlExtension*>(&extension) != nullptr;
  });
  frame.IsTransparent = kept->Transparent();
}

// Viewers honour the first looping block wherever it stands; frame 0 is where it is kept.
void MoveFirstLoopToFrameZero(TGIFImage& image) {
  TGIFSubImage& first = image.Frames[0];
  if (!ExtensionsOf<TGIFAppExtNSLoop>(first).empty()) return;
  for (int i = 1; i < image.Frames.Count(); ++i) {
    const auto loops = ExtensionsOf<TGIFAppExtNSLoop>(image.Frames[i]);
    if (loops.empty()) continue;
    std::unique_ptr<TGIFExtension> moved = image.Frames[i].Extensions().Remove(loops.front());
    auto copy = std::make_unique<TGIFAppExtNSLoop>(first);
    const auto& loop = static_cast<const TGIFAppExtNSLoop&>(*moved);
    copy->Identity = loop.Identity;
    copy->LoopCount = loop.LoopCount;
    copy->HasLoopCount = loop.HasLoopCount;
    copy->BufferBytes = loop.BufferBytes;
    first.Extensions().Insert(0, std::move(copy));
    return;
  }
}

bool WhollyTransparent(const TGIFSubImage& frame) {
  const std::uint8_t t = frame.ControlExtension->TransparentIndex();
  return std::all_of(frame.Pixels(), frame.Pixels() + frame.PixelCount(), [t](std::uint8_t p) { return p == t; });
}

bool UsesIndex(const TGIFSubImage& frame, std::uint8_t index) {
  return std::find(frame.Pixels(), frame.Pixels() + frame.PixelCount(), index) != frame.Pixels() + frame.PixelCount();
}

// The delays of two frames as one, when it reads the same whether a viewer plays delays of
// 0 and 1 as 10 (browsers) or as written (others): both at least 2, the sum in 16 bits.
std::optional<std::uint16_t> MergedDelay(const TGIFSubImage& first, const TGIFSubImage& second) {
  const int a = first.ControlExtension ? first.ControlExtension->Delay() : 0;
  const int b = second.ControlExtension ? second.ControlExtension->Delay() : 0;
  if (a < 2 || b < 2 || a + b > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(a + b);
}

// Drops the blocks of frame i that do not affect the picture; true when the frame is left
// without image and blocks, to go. Loop and delays only count with more than one frame.
bool StripBlocks(TGIFSubImage& frame, int i, bool oneFrame) {
  TGIFExtensionList& extensions = frame.Extensions();
  extensions.DeleteIf([&](int, const TGIFExtension& extension) {
    const bool loop = dynamic_cast<const TGIFAppExtNSLoop*>(&extension) != nullptr;
    return dynamic_cast<const TGIFCommentExtension*>(&extension) || dynamic_cast<const TGIFTextExtension*>(&extension) ||
           dynamic_cast<const TGIFUnknownAppExtension*>(&extension) ||
           dynamic_cast<const TGIFUnknownExtension*>(&extension) || (loop && (i != 0 || oneFrame));
  });
  if (TGIFGraphicControlExtension* control = frame.ControlExtension) {
    if ((control->Delay() == 0 || oneFrame) && !control->Transparent() && !control->UserInput() &&
        (KeepsPicture(control->Disposal()) || oneFrame))
      extensions.Remove(control);
  }
  return frame.IsEmpty() && extensions.Count() == 0;
}

// Counts the work done and reports it as a percentage of a maximum fixed at the start.
class TOptimizeProgress {
public:
  TOptimizeProgress(TGIFImage& image, int maximum) : image_(image), maximum_(maximum) {}
  void Advance(int steps = 1) { counter_ += steps; }
  void Report() const {
    image_.Progress(&image_, TProgressStage::Running, std::min(100, Percent(counter_, maximum_)), false, kOptimizing);
  }

private:
  TGIFImage& image_;
  const int maximum_;
  int counter_ = 0;
};

}  // namespace

void TGIFImage::OptimizeDocument(TOptimizeOptionSet options, TReductionMethod method, TDitherKind,
                                 int) {
  if (Frames.Count() == 0) return;
  // No painter may read the frames while they change.
  StopAllPainters(*this);
  std::lock_guard painters(PainterLock);
  Progress(this, TProgressStage::Starting, 0, false, kOptimizing);
  TOptimizeProgress progress(*this, 6 * Frames.Count());
  try {
    for (const auto& frame : Frames) KeepLastControlBlock(*frame);
    MoveFirstLoopToFrameZero(*this);

    if (options & optPackColorMaps) {
      if (Header.GlobalColorMap().Count() > 0) Header.GlobalColorMap().PackEntries();
      for (const auto& frame : Frames) {
        progress.Advance();
        if (frame->LocalColorMap().Count() > 0) {
          frame->LocalColorMap().PackEntries();
          progress.Report();
        }
      }
    }

    if (options & optRemoveRedundant) {
      // Transparency that no pixel uses.
      for (const auto& frame : Frames) {
        progress.Advance();
        if (frame->IsTransparent && frame->ControlExtension &&
            !UsesIndex(*frame, frame->ControlExtension->TransparentIndex())) {
          frame->ControlExtension->SetTransparent(false);
          progress.Report();
        }
      }
      // Clearing a frame is needless when the next frame covers it opaquely and does not
      // go back to the canvas before it.
      for (int i = 0; i + 1 < Frames.Count(); ++i) {
        progress.Advance();
        TGIFSubImage& frame = Frames[i];
        const TGIFSubImage& next = Frames[i + 1];
        const TDisposalMethod disposal = DisposalOf(frame);
        if ((disposal != DisposalRestoreBackground && disposal != DisposalRestorePrevious) || next.IsTransparent ||
            next.IsEmpty() || Intersection(frame.FrameRect(), next.FrameRect()).IsEmpty())
          continue;
        if (next.FrameRect().Contains(frame.FrameRect()) && DisposalOf(next) != DisposalRestorePrevious)
          frame.ControlExtension->SetDisposal(DisposalUnspecified);
        progress.Report();
      }
    } else {
      progress.Advance(2 * Frames.Count());
    }

    if (options & optMergeFrames) {
      for (int i = Frames.Count() - 1; i >= 1; --i) {
        progress.Advance();
        int j = i - 1;
        while (j > 0 && DisposalOf(Frames[j]) == DisposalRestorePrevious) --j;
        ThrowIfCancelled(Cancellation);
        Frames[i].MergeWithPrevious(&Frames[j]);
        progress.Report();
      }
    } else {
      progress.Advance(Frames.Count());
    }

    // Frames to delete are marked and taken out in one pass after each loop; the loops go
    // back to front and look only at lower indexes, which stay where they are.
    std::vector<bool> doomed;
    const auto deleteDoomed = [&] {
      Frames.DeleteIf([&doomed](int index, const TGIFSubImage&) { return doomed[index]; });
    };
    if (options & optCropFrames) {
      doomed.assign(Frames.Count(), false);
      for (int i = Frames.Count() - 1; i >= 0; --i) {
        progress.Advance();
        ThrowIfCancelled(Cancellation);
        TGIFSubImage& frame = Frames[i];
        if (frame.IsEmpty() || !frame.IsTransparent || !frame.ControlExtension) continue;
        // Cropping would shrink the area that is cleared after the frame; the one frame of
        // a still shows nothing after it, whatever it clears.
        if (DisposalOf(frame) == DisposalRestoreBackground && Frames.Count() > 1) continue;
        if (WhollyTransparent(frame)) {
          // A frame that shows nothing new is only time: it goes to the frame before when
          // that one stays on screen and their delays add up alike for every viewer;
          // otherwise it stays, as one transparent pixel.
          TGIFSubImage* previous = i > 0 ? &Frames[i - 1] : nullptr;
          const std::optional<std::uint16_t> delay =
              previous && !previous->IsEmpty() && KeepsPicture(DisposalOf(*previous))
                  ? MergedDelay(*previous, frame)
                  : std::nullopt;
          if (delay) {
            previous->ControlExtension->SetDelay(*delay);
            doomed[i] = true;
          } else {
            frame.CropToContent(true);
          }
        } else {
          frame.CropToContent();
        }
        progress.Report();
      }
      deleteDoomed();
    } else {
      progress.Advance(Frames.Count());
    }

    progress.Advance(Frames.Count());

    if (options & optRemoveRedundant) {
      const bool oneFrame = Frames.Count() == 1;
      doomed.assign(Frames.Count(), false);
      for (int i = Frames.Count() - 1; i >= 0; --i) doomed[i] = StripBlocks(Frames[i], i, oneFrame);
      deleteDoomed();
      // Frames dropped here may leave a single one, which then needs no loop or delay either.
      if (!oneFrame && Frames.Count() == 1 && StripBlocks(Frames[0], 0, true)) Frames.Delete(0);
      progress.Report();
    } else if ((options & optReduceColors) && method == reduceCustomPalette) {
      throw GIFException(TGIFError::InvalidReductionMethod);
    }
  } catch (...) {
    Progress(this, TProgressStage::Ending, 0, false, kOptimizing);
    throw;
  }
  Progress(this, TProgressStage::Ending, 100, false, kOptimizing);
}

}  // namespace lumvane
