#pragma once
// The work of a batch run on one file, without any window: read it, load it, optimize the
// document and (an animation whose frames clear their area) a document rebuilt from its
// pictures, each with its pixels chosen for the shortest codes, keep the smallest output
// that shows the same, and write it back when asked.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/FileWriting.h"
#include "app/MemoryBudget.h"
#include "base/Cancellation.h"
#include "gif/GIFImage.h"
#include "optimize/CheapestPixels.h"

namespace lumvane {

// What one file's row shows.
struct TFileOutcome {
  std::int64_t OriginalSize = 0;     // -1 when the file could not be examined
  std::int64_t OptimizedSize = -1;  // -1 when Message takes the "Optimized Size" column
  std::string Message;              // a load or save error, or why a smaller file was kept
  std::string Reduction;            // "12%", "0%"; empty with a message
  std::int64_t Saved = 0;           // bytes saved (or that Optimize would save)
  bool Written = false;
  bool Failed = false;              // the file did not load or save
  bool Cancelled = false;           // stopped before its end: the file is as it was
};

// Row texts.
extern const char* const kLooksDifferentText;
extern const char* const kDamagedText;
// Write-back kept the file: it has other hard links, its owner or permissions could not be
// given to the result, or it changed while it was being optimized.
extern const char* const kOtherLinksText;
extern const char* const kOwnerText;
extern const char* const kChangedText;
// The work on the file was cancelled before its end.
extern const char* const kNotFinishedText;
// round(saved × 100 / original) followed by "%", or "0%" when nothing was saved.
std::string ReductionText(std::int64_t originalSize, std::int64_t resultSize);
// "Saved N Bytes"
std::string SavedBytesText(std::int64_t savedTotal);

// A result waiting to replace its file.
struct TPendingWrite {
  std::string Path;
  std::vector<std::uint8_t> Bytes;
  std::optional<TFileIdentity> Identity;  // taken before the file was read
};

// Writes a result in place of its file and completes its row: written, or the reason the
// file was kept. Fails as ReplaceFile does, which is given folders.
TFileOutcome WriteBack(TFileOutcome outcome, const TPendingWrite& write, TFolderSyncs* folders = nullptr);

// Reuses its streams and documents from file to file; one per worker thread.
//
// A file goes through it in steps: its bytes are read and decoded once (the original,
// kept unchanged for every comparison); the candidates are built from copies of it, each
// saved once (its size is that of its bytes); the smallest that shows what the original
// shows is picked, verifying only candidates that could be kept, smallest first. By default
// a document whose frames clear or restore their areas is rebuilt from its pictures first,
// and the rebuilt copy, when smaller and showing the same, is kept without building the
// optimized one: there rebuilding codes shortest nearly always, and the optimized copy would
// cost as much again.
class TFileOptimizer {
public:
  // Its documents save with compact code sizes. Thorough runs try more and search further,
  // at tens of times the time.
  // With a budget, a file's work waits until what it may need at its peak fits beside the
  // other workers' claims (its bytes are read first, the document made after).
  // Once the cancellation is cancelled, the file under way stops between two frames or
  // passes and is left as it was (its outcome: Cancelled, kNotFinishedText).
  explicit TFileOptimizer(bool thorough = false, TMemoryBudget* budget = nullptr,
                          const TCancellation* cancellation = nullptr);
  // Reading the file or writing the result back fails with the platform's stream errors
  // (a file that is not a regular file, or that the user may not write, among them);
  // everything else is in the outcome.
  TFileOutcome Process(const std::string& path, bool writeBack);
  // Reads and optimizes the file without writing; write is what replacing it would take
  // (the identity it had before it was read, and a copy of ResultBytes).
  TFileOutcome Process(const std::string& path, TPendingWrite& write);
  // The same for bytes that come from elsewhere (a pipe); nothing is written.
  TFileOutcome Process(std::vector<std::uint8_t> bytes);
  // The bytes the last file processed has after the run (or would have, testing): the
  // smaller result that shows the same, else the file as it was read.
  const std::vector<std::uint8_t>& ResultBytes() const { return *resultBytes_; }

private:
  // The ways of making the file smaller, in their order of preference between equal sizes.
  enum TCandidate { Optimized, Rebuilt, CandidateCount };

  // Reads the file (its identity first), then OptimizeFile.
  TFileOutcome Optimize(std::optional<TFileIdentity>& identity, const std::string& path);
  // Decodes file_, builds the candidates and picks the result.
  TFileOutcome OptimizeFile();
  // Builds the candidates worth trying into candidateBytes_ (left empty when not built) and
  // picks the result as SmallestShowingTheSame does.
  const TMemoryStream* FindResult(bool damaged, TFileOutcome& outcome);
  // Whether the candidate, decoded, shows what the original shows; each is verified once.
  bool Verified(TCandidate kind);
  // The smallest candidate that is smaller than the file and shows what it shows (a damaged
  // file: any smaller one, which is never written); nullptr when none. Sets the row's
  // message when a smaller candidate exists but none may replace the file.
  const TMemoryStream* SmallestShowingTheSame(bool damaged, TFileOutcome& outcome);

  TMemoryStream file_;  // the file's bytes as read
  const std::vector<std::uint8_t>* resultBytes_ = &file_.Bytes();
  TGIFImage original_;   // the file decoded, unchanged while candidates are built
  TGIFImage candidate_;  // the document the candidate being built is made in
  std::array<TMemoryStream, CandidateCount> candidateBytes_;
  std::array<std::optional<bool>, CandidateCount> showsTheSame_;  // unset: not verified yet
  TChoiceEffort effort_;
  TMemoryBudget* budget_;
  const TCancellation* cancellation_;
};
}  // namespace lumvane
