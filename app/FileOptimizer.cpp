#include "app/FileOptimizer.h"

#include <algorithm>
#include <optional>

#include "app/FileWriting.h"
#include "gif/Errors.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/CheapestPixels.h"
#include "optimize/ColorOrder.h"
#include "optimize/Compositor.h"
#include "optimize/Disposal.h"
#include "optimize/FrameRebuild.h"

namespace lumvane {
namespace {

constexpr TOptimizeOptionSet kMainOptions = 0x1F;
constexpr TOptimizeOptionSet kAlternativeOptions = 0x1D;
// The rebuilt frames are cropped and transparent where nothing changes already: what is
// left is packing the color tables and dropping blocks that do nothing.
constexpr TOptimizeOptionSet kRebuiltOptions = optPackColorMaps | optRemoveRedundant;

// Loads a document, noting whether the load had to work around anything (a notice, such as
// an extension kept unread, is no damage).
bool LoadNotingWarnings(TGIFImage& image, TStream& stream) {
  bool warned = false;
  image.WarningHandler = [&warned](const TPersistent*, int severity, const std::string&) {
    warned |= severity >= kSeverityDamage;
  };
  try {
    image.LoadFromStream(stream);
  } catch (...) {
    image.WarningHandler = nullptr;
    throw;
  }
  image.WarningHandler = nullptr;
  return warned;
}

// The candidate decodes to the same pictures, times and loop count as the original. A
// candidate that does not load does not show the same; an error comparing them (a canvas
// too large to composite) passes on as itself.
bool ShowsTheSame(const std::vector<std::uint8_t>& original, TMemoryStream& candidate,
                  const TCancellation* cancellation) {
  TGIFImage before, after;
  before.Cancellation = after.Cancellation = cancellation;
  TMemoryStream originalStream(original);
  before.LoadFromStream(originalStream);
  candidate.SetPosition(0);
  try {
    after.LoadFromStream(candidate);
  } catch (const GIFException&) {
    return false;
  }
  return CompareShows(before, after).Same;
}

// Optimizes the document and saves it into output. The color order and the pixel choice
// are left out for a damaged document (it is never written back) and when its canvas is too
// large to composite (the document stays as optimized).
void OptimizeInto(TGIFImage& image, TOptimizeOptionSet options, TChoiceEffort effort, bool damaged,
                  TMemoryStream& output) {
  image.OptimizeDocument(options, reduceNone, ditherNearest, 8);
  if (!damaged) {
    OrderColorsForCodeSizes(image);
    try {
      ChooseCheapestPixels(image, effort);
    } catch (const GIFException&) {
      // "Image too large" before the first frame is touched.
    }
  }
  image.SaveToStream(output);
  image.Clear();
}

// Whether a frame clears or restores its area afterwards: the frames the other candidates
// may neither merge nor crop, which rebuilding from the pictures can.
bool HasClearingFrames(const TGIFImage& image) {
  for (const auto& frame : image.Frames)
    if (frame->ControlExtension && !KeepsPicture(frame->ControlExtension->Disposal())) return true;
  return false;
}

// The document rebuilt from the pictures of source, optimized, into output; output stays
// empty when rebuilding is not worth trying (by default: no frame clears or restores its
// area), gives up or fails, which leaves the other candidates.
void RebuildInto(const TGIFImage& source, TGIFImage& rebuilt, TChoiceEffort effort, bool damaged,
                 TMemoryStream& output) {
  output.Clear();
  if (effort == TChoiceEffort::Default && !HasClearingFrames(source)) return;
  try {
    if (RebuildFrames(source, rebuilt)) OptimizeInto(rebuilt, kRebuiltOptions, effort, damaged, output);
  } catch (const std::exception&) {
    output.Clear();
  }
  rebuilt.Clear();
}

}  // namespace

const char* const kLooksDifferentText = "Optimized file would look different; file kept";
const char* const kDamagedText = "File is damaged; file kept";
const char* const kOtherLinksText = "File has other hard links; file kept";
const char* const kOwnerText = "File's owner or permissions cannot be kept; file kept";
const char* const kChangedText = "File changed while being optimized; file kept";
const char* const kNotFinishedText = "Not finished; file kept";

std::string ReductionText(std::int64_t originalSize, std::int64_t resultSize) {
  const std::int64_t saved = originalSize - resultSize;
  return (saved > 0 ? std::to_string(Percent(saved, originalSize)) : "0") + "%";
}

std::string SavedBytesText(std::int64_t savedTotal) { return "Saved " + std::to_string(savedTotal) + " Bytes"; }

namespace {

// The row of a file that write-back kept: the message instead of the sizes, nothing saved.
TFileOutcome Kept(TFileOutcome outcome, const char* message) {
  outcome.Message = message;
  outcome.OptimizedSize = -1;
  outcome.Reduction.clear();
  outcome.Saved = 0;
  return outcome;
}

TFileOutcome NotFinished(TFileOutcome outcome) {
  outcome = Kept(outcome, kNotFinishedText);
  outcome.Cancelled = true;
  return outcome;
}

}  // namespace

TFileOptimizer::TFileOptimizer(bool thorough, TMemoryBudget* budget, const TCancellation* cancellation)
    : effort_(thorough ? TChoiceEffort::Thorough : TChoiceEffort::Default), budget_(budget),
      cancellation_(cancellation) {
  for (TGIFImage* image : {&working_, &spare_}) {
    image->CompactCodeSize = true;
    image->Cancellation = cancellation;
    if (thorough) image->EncoderKind = encodeLZWShortest;
  }
}

TFileOutcome TFileOptimizer::Process(const std::string& path, bool writeBack) {
  const std::optional<TFileIdentity> identity = IdentityOf(path);  // before reading: any change after it shows
  resultBytes_ = &original_;
  original_.clear();
  source_.LoadFromFile(path);
  TFileOutcome outcome = Process(source_.TakeBytes());
  if (outcome.Saved == 0 || !writeBack) return outcome;
  // A cancellation that comes once the result is ready still keeps the file.
  if (cancellation_ && cancellation_->IsCancelled()) return NotFinished(outcome);
  switch (ReplaceFile(path, *resultBytes_, identity)) {
    case TWriteBack::Written:
      outcome.Written = true;
      return outcome;
    case TWriteBack::KeptOtherLinks:
      return Kept(outcome, kOtherLinksText);
    case TWriteBack::KeptOwner:
      return Kept(outcome, kOwnerText);
    case TWriteBack::KeptChanged:
      break;
  }
  return Kept(outcome, kChangedText);
}

TFileOutcome TFileOptimizer::Process(std::vector<std::uint8_t> bytes) {
  TFileOutcome outcome;
  source_.Clear();
  result_.Clear();
  rebuilt_.Clear();
  original_ = std::move(bytes);
  resultBytes_ = &original_;
  const std::vector<std::uint8_t>& original = original_;
  outcome.OriginalSize = static_cast<std::int64_t>(original.size());
  std::optional<TMemoryBudget::TClaim> memory;
  if (budget_) memory.emplace(*budget_, EstimatedPeakBytes(original));
  if (cancellation_ && cancellation_->IsCancelled()) return NotFinished(outcome);

  bool damaged = false;
  TMemoryStream* best = &result_;
  try {
    TMemoryStream input(original);
    damaged = LoadNotingWarnings(working_, input);
    // Without frame merging: by default the choice of pixels does better than that.
    if (effort_ == TChoiceEffort::Thorough) {
      spare_.CopyFrom(&working_);
      OptimizeInto(spare_, kAlternativeOptions, effort_, damaged, source_);
    }
    RebuildInto(working_, spare_, effort_, damaged, rebuilt_);
    OptimizeInto(working_, kMainOptions, effort_, damaged, result_);
    if (source_.Size() > 0 && result_.Size() > source_.Size()) best = &source_;

    // The rebuilt document is taken only when it is smaller still and shows the same, so
    // that it never stands in the way of the other candidates.
    bool verified = false;
    if (rebuilt_.Size() > 0 && rebuilt_.Size() < best->Size() && rebuilt_.Size() < outcome.OriginalSize &&
        (damaged || ShowsTheSame(original, rebuilt_, cancellation_))) {
      best = &rebuilt_;
      verified = !damaged;
    }
    // Only a result that shows what the file shows may replace it.
    if (best->Size() < outcome.OriginalSize) {
      if (damaged)
        outcome.Message = kDamagedText;
      else if (!verified && !ShowsTheSame(original, *best, cancellation_))
        outcome.Message = kLooksDifferentText;
    }
  } catch (const TCancelled&) {
    working_.Clear();
    spare_.Clear();
    return NotFinished(outcome);
  } catch (const std::exception& error) {
    working_.Clear();
    spare_.Clear();
    outcome.Message = error.what();
    outcome.Failed = true;
    return outcome;
  }
  if (!outcome.Message.empty()) return outcome;

  const std::int64_t resultSize = best->Size();
  outcome.OptimizedSize = resultSize;
  outcome.Reduction = ReductionText(outcome.OriginalSize, resultSize);
  outcome.Saved = std::max<std::int64_t>(outcome.OriginalSize - resultSize, 0);
  if (outcome.Saved > 0) resultBytes_ = &best->Bytes();
  return outcome;
}

}  // namespace lumvane
