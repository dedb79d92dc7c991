#include "optimize/SharedColorTable.h"

#include <algorithm>
#include <bitset>
#include <unordered_map>
#include <vector>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFSubImage.h"
#include "optimize/ColorOrder.h"

namespace lumvane {
namespace {

TColor EntryColor(const TGIFColorMap& map, int index) {
  const std::uint8_t* entry = map.Entries() + 3 * index;
  return entry[0] | (entry[1] << 8) | (entry[2] << 16);
}

int TransparentIndexOf(const TGIFSubImage& frame) {
  const TGIFGraphicControlExtension* control = frame.ControlExtension;
  return control && control->Transparent() ? control->TransparentIndex() : -1;
}

// The entries of the frame's table that its opaque pixels use; false when a pixel or the
// transparent index lies beyond the table, or several control blocks disagree on which
// index is transparent: such frames keep their tables.
bool OpaqueColors(TGIFSubImage& frame, std::bitset<256>& used) {
  if (frame.ControlBlockCount() > 1) return false;
  const int count = frame.EffectiveColorMap().Count();
  const int transparent = TransparentIndexOf(frame);
  if (transparent >= count) return false;
  const std::uint8_t* pixels = frame.Pixels();
  for (std::int64_t i = 0; i < frame.PixelCount(); ++i)
    if (pixels[i] != transparent) used.set(pixels[i]);
  for (int i = count; i < 256; ++i)
    if (used[i]) return false;
  return true;
}

// Bytes of a color table as written: a power of two of at least 2 entries, 3 bytes each.
std::int64_t TableBytes(const TGIFColorMap& map) { return map.Count() == 0 ? 0 : 3 << map.PixelBits(); }

// What the color tables and the frames' codes take in the file.
std::int64_t TablesAndCodesBytes(TGIFImage& image) {
  std::int64_t bytes = TableBytes(image.Header.GlobalColorMap());
  TMemoryStream codes;
  for (const auto& frame : image.Frames) {
    if (frame->IsEmpty()) continue;
    bytes += TableBytes(frame->LocalColorMap());
    codes.Clear();
    frame->EncodePixels(codes);
    bytes += codes.Size();
  }
  return bytes;
}

// A color table's entries, to be put back as they were.
struct TTableCopy {
  std::vector<std::uint8_t> Entries;
  bool Sorted = false;

  explicit TTableCopy(const TGIFColorMap& map)
      : Entries(map.Entries(), map.Entries() + 3 * map.Count()), Sorted(map.Sorted()) {}
  void RestoreInto(TGIFColorMap& map) const {
    map.Clear();
    for (std::size_t i = 0; i < Entries.size(); i += 3)
      map.AddColor(Entries[i] | (Entries[i + 1] << 8) | (Entries[i + 2] << 16));
    map.SetSorted(Sorted);
  }
};

// The state of the document's tables, pixels and transparent indexes before sharing.
class TDocumentCopy {
public:
  explicit TDocumentCopy(TGIFImage& image) : global_(image.Header.GlobalColorMap()) {
    for (const auto& frame : image.Frames)
      frames_.push_back({TTableCopy(frame->LocalColorMap()),
                         std::vector<std::uint8_t>(frame->Pixels(), frame->Pixels() + frame->PixelCount()),
                         frame->ControlExtension ? frame->ControlExtension->TransparentIndex() : std::uint8_t{0}});
  }
  void RestoreInto(TGIFImage& image) const {
    global_.RestoreInto(image.Header.GlobalColorMap());
    for (int i = 0; i < image.Frames.Count(); ++i) {
      TGIFSubImage& frame = image.Frames[i];
      const TFrameCopy& copy = frames_[i];
      copy.Local.RestoreInto(frame.LocalColorMap());
      std::copy(copy.Pixels.begin(), copy.Pixels.end(), frame.Pixels());
      if (frame.ControlExtension) frame.ControlExtension->ControlBlock[4] = copy.TransparentIndex;
      frame.FreeBitmap();
      frame.FreeMask();
    }
  }

private:
  struct TFrameCopy {
    TTableCopy Local;
    std::vector<std::uint8_t> Pixels;
    std::uint8_t TransparentIndex;
  };
  TTableCopy global_;
  std::vector<TFrameCopy> frames_;
};

// A frame with a local table, its opaque colors and where each of its entries goes.
struct TLocalFrame {
  TGIFSubImage* Frame;
  std::bitset<256> Used;
  TIndexTable ToShared{};
};

}  // namespace

bool ShareGlobalColorTable(TGIFImage& image) {
  TGIFColorMap& global = image.Header.GlobalColorMap();
  // The shared table starts as the global one, so frames drawing through it keep their
  // indexes; each local frame's colors follow where the table lacks them.
  std::vector<TColor> shared;
  std::unordered_map<TColor, int> sharedIndex;
  for (int i = 0; i < global.Count(); ++i) {
    shared.push_back(EntryColor(global, i));
    sharedIndex.emplace(shared.back(), i);
  }
  std::vector<TLocalFrame> locals;
  std::vector<std::bitset<256>> globalFrames;
  for (const auto& frame : image.Frames) {
    if (frame->IsEmpty()) continue;
    std::bitset<256> used;
    if (!OpaqueColors(*frame, used)) return false;
    if (frame->LocalColorMap().Count() == 0) {
      if (TransparentIndexOf(*frame) >= 0) globalFrames.push_back(used);
      continue;
    }
    TLocalFrame local{frame.get(), {}};
    const TGIFColorMap& map = frame->LocalColorMap();
    for (int i = 0; i < map.Count(); ++i) {
      if (!used[i]) continue;
      const auto [found, added] = sharedIndex.emplace(EntryColor(map, i), static_cast<int>(shared.size()));
      if (added) shared.push_back(found->first);
      if (shared.size() > 256) return false;
      local.ToShared[i] = static_cast<std::uint8_t>(found->second);
      local.Used.set(found->second);
    }
    locals.push_back(local);
  }
  if (locals.empty()) return false;
  // A transparent frame that shows every shared color needs one more entry for transparency.
  const auto needsSpare = [&](const std::bitset<256>& used) { return used.count() >= shared.size(); };
  bool spare = std::any_of(globalFrames.begin(), globalFrames.end(), needsSpare);
  for (const TLocalFrame& local : locals)
    spare |= TransparentIndexOf(*local.Frame) >= 0 && needsSpare(local.Used);
  if (spare) shared.push_back(0);
  if (shared.size() > 256) return false;

  const std::int64_t before = TablesAndCodesBytes(image);
  const TDocumentCopy copy(image);
  for (int i = global.Count(); i < static_cast<int>(shared.size()); ++i) global.AddColor(shared[i]);
  for (TLocalFrame& local : locals) {
    TGIFSubImage& frame = *local.Frame;
    const int transparent = TransparentIndexOf(frame);
    if (transparent >= 0) {
      int free = 0;
      while (local.Used[free]) ++free;
      local.ToShared[transparent] = static_cast<std::uint8_t>(free);
    }
    std::uint8_t* pixels = frame.Pixels();
    for (std::int64_t i = 0; i < frame.PixelCount(); ++i) pixels[i] = local.ToShared[pixels[i]];
    frame.LocalColorMap().Clear();
    if (transparent >= 0) frame.ControlExtension->SetTransparentIndex(local.ToShared[transparent]);
    frame.FreeBitmap();
    frame.FreeMask();
  }
  OrderColorsForCodeSizes(image);
  LowerTransparentIndexes(image);
  if (TablesAndCodesBytes(image) < before) return true;
  copy.RestoreInto(image);
  return false;
}

}  // namespace lumvane
