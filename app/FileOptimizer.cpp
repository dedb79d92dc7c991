#include "app/FileOptimizer.h"

#include <algorithm>
#include <optional>

#include "app/FileWriting.h"
#include "base/Errors.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/CheapestPixels.h"
#include "optimize/ColorOrder.h"
#include "optimize/Compositor.h"
#include "optimize/FrameInterlacing.h"
#include "optimize/FrameRebuild.h"
#include "optimize/SharedColorTable.h"

namespace lumvane {
namespace {

constexpr TOptimizeOptionSet kEveryTechnique =
    optCropFrames | optMergeFrames | optRemoveRedundant | optPackColorMaps | optReduceColors;
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
bool ShowsTheSame(const TGIFImage& original, TMemoryStream& candidate, const TCancellation* cancellation) {
  TGIFImage decoded;
  decoded.Cancellation = cancellation;
  candidate.SetPosition(0);
  try {
    decoded.LoadFromStream(candidate);
  } catch (const GIFException&) {
    return false;
  }
  return CompareShows(original, decoded).Same;
}

// Optimizes the document and saves it into output. The color order, the row orders and the
// pixel choice are left out for a damaged document (it is never written back); the pixel
// choice also when its canvas is too large to composite (the document stays as optimized).
void OptimizeInto(TGIFImage& image, TOptimizeOptionSet options, TChoiceEffort effort, bool damaged,
                  TMemoryStream& output) {
  image.OptimizeDocument(options, reduceNone, ditherNearest, 8);
  if (!damaged) {
    OrderColorsForCodeSizes(image);
    LowerTransparentIndexes(image);
    ShareGlobalColorTable(image);
    ChooseInterlacing(image);
    try {
      ChooseCheapestPixels(image, effort);
    } catch (const GIFException& e) {
      // Too large to composite: thrown before the first frame is touched.
      if (e.Kind() != TGIFError::ImageTooLarge) throw;
    }
  }
  image.SaveToStream(output);
  image.Clear();
}

// Whether a frame clears or restores its area afterwards: the frames the other candidates
// may neither merge nor crop, which rebuilding from the pictures can. The one frame of a
// still shows nothing after it: cropping it is left to the optimizer.
bool HasClearingFrames(const TGIFImage& image) {
  if (image.Frames.Count() == 1) return false;
  for (const auto& frame : image.Frames)
    if (frame->ControlExtension && !KeepsPicture(frame->ControlExtension->Disposal())) return true;
  return false;
}

// The document rebuilt from the pictures of source, optimized, into output; output stays
// empty when rebuilding is not worth trying (no frame clears or restores its area: the
// other candidates do as well then), gives up or fails, which leaves the other candidates.
void RebuildInto(const TGIFImage& source, TGIFImage& rebuilt, TChoiceEffort effort, bool damaged,
                 TMemoryStream& output) {
  if (!HasClearingFrames(source)) return;
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

TFileOutcome WriteBack(TFileOutcome outcome, const TPendingWrite& write, TFolderSyncs* folders) {
  switch (ReplaceFile(write.Path, write.Bytes, write.Identity, {}, folders)) {
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

TFileOptimizer::TFileOptimizer(bool thorough, TMemoryBudget* budget, const TCancellation* cancellation)
    : effort_(thorough ? TChoiceEffort::Thorough : TChoiceEffort::Default), budget_(budget),
      cancellation_(cancellation) {
  original_.Cancellation = candidate_.Cancellation = cancellation;
  candidate_.CompactCodeSize = true;
  candidate_.EncoderKind = thorough ? encodeLZWShortest : encodeLZWShorter;
}

TFileOutcome TFileOptimizer::Process(const std::string& path, bool writeBack) {
  std::optional<TFileIdentity> identity;
  TFileOutcome outcome = Optimize(identity, path);
  if (outcome.Saved == 0 || !writeBack) return outcome;
  // A cancellation that comes once the result is ready still keeps the file.
  if (cancellation_ && cancellation_->IsCancelled()) return NotFinished(outcome);
  return WriteBack(std::move(outcome), {path, *resultBytes_, identity});
}

TFileOutcome TFileOptimizer::Process(const std::string& path, TPendingWrite& write) {
  TFileOutcome outcome = Optimize(write.Identity, path);
  write.Path = path;
  write.Bytes = *resultBytes_;
  return outcome;
}

TFileOutcome TFileOptimizer::Optimize(std::optional<TFileIdentity>& identity, const std::string& path) {
  identity = IdentityOf(path);  // before reading: any change after it shows
  file_.Clear();
  resultBytes_ = &file_.Bytes();
  file_.LoadFromFile(path);
  return OptimizeFile();
}

TFileOutcome TFileOptimizer::Process(std::vector<std::uint8_t> bytes) {
  file_ = TMemoryStream(std::move(bytes));
  return OptimizeFile();
}

const TMemoryStream* TFileOptimizer::FindResult(bool damaged, TFileOutcome& outcome) {
  RebuildInto(original_, candidate_, effort_, damaged, candidateBytes_[Rebuilt]);
  const std::int64_t rebuiltSize = candidateBytes_[Rebuilt].Size();
  if (effort_ == TChoiceEffort::Default && !damaged && rebuiltSize > 0 && rebuiltSize < outcome.OriginalSize &&
      Verified(Rebuilt))
    return &candidateBytes_[Rebuilt];
  candidate_.CopyFrom(&original_);
  OptimizeInto(candidate_, kEveryTechnique, effort_, damaged, candidateBytes_[Optimized]);
  return SmallestShowingTheSame(damaged, outcome);
}

bool TFileOptimizer::Verified(TCandidate kind) {
  if (!showsTheSame_[kind]) showsTheSame_[kind] = ShowsTheSame(original_, candidateBytes_[kind], cancellation_);
  return *showsTheSame_[kind];
}

const TMemoryStream* TFileOptimizer::SmallestShowingTheSame(bool damaged, TFileOutcome& outcome) {
  std::vector<int> smaller;
  for (int kind = 0; kind < CandidateCount; ++kind) {
    const std::int64_t size = candidateBytes_[kind].Size();
    if (size > 0 && size < outcome.OriginalSize) smaller.push_back(kind);
  }
  // Equal sizes keep their order of preference.
  std::stable_sort(smaller.begin(), smaller.end(),
                   [this](int a, int b) { return candidateBytes_[a].Size() < candidateBytes_[b].Size(); });
  if (smaller.empty()) return nullptr;
  if (damaged) {
    outcome.Message = kDamagedText;
    return nullptr;
  }
  for (const int kind : smaller)
    if (Verified(static_cast<TCandidate>(kind))) return &candidateBytes_[kind];
  // The rebuilt document is only ever taken when it verifies: it never stands in the way
  // of the others.
  if (smaller.size() > 1 || smaller[0] != Rebuilt) outcome.Message = kLooksDifferentText;
  return nullptr;
}

TFileOutcome TFileOptimizer::OptimizeFile() {
  TFileOutcome outcome;
  for (TMemoryStream& candidate : candidateBytes_) candidate.Clear();
  showsTheSame_ = {};
  resultBytes_ = &file_.Bytes();
  outcome.OriginalSize = file_.Size();
  std::optional<TMemoryBudget::TClaim> memory;
  if (budget_) memory.emplace(*budget_, EstimatedPeakBytes(file_));
  if (cancellation_ && cancellation_->IsCancelled()) return NotFinished(outcome);

  const TMemoryStream* result = nullptr;
  try {
    const bool damaged = LoadNotingWarnings(original_, file_);
    result = FindResult(damaged, outcome);
  } catch (const TCancelled&) {
    outcome = NotFinished(outcome);
  } catch (const std::exception& error) {
    outcome.Message = error.what();
    outcome.Failed = true;
  }
  original_.Clear();
  candidate_.Clear();
  if (!outcome.Message.empty()) return outcome;

  // Nothing smaller: the row shows the optimized document's size all the same.
  if (!result) result = &candidateBytes_[Optimized];
  const std::int64_t resultSize = result->Size();
  outcome.OptimizedSize = resultSize;
  outcome.Reduction = ReductionText(outcome.OriginalSize, resultSize);
  outcome.Saved = std::max<std::int64_t>(outcome.OriginalSize - resultSize, 0);
  if (outcome.Saved > 0) resultBytes_ = &result->Bytes();
  return outcome;
}

}  // namespace lumvane
