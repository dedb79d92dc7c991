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

// The entries of the frame's table that its opaque pixels use; false when a pixel or the
// transparent index lies beyond the table, or several control blocks disagree on which
// index is transparent: such frames keep their tables.
bool OpaqueColors(TGIFSubImage& frame, std::bitset<256>& used) {
  if (frame.ControlBlockCount() > 1) return false;
  const int count = frame.EffectiveColorMap().Count();
  const int transparent = TransparentIndexOf(frame);
  if (transparent >= count) return false;
  used = OpaqueIndexes(frame.Pixels(), static_cast<std::size_t>(frame.PixelCount()), transparent);
  return (used >> count).none();
}

// Bytes of a color table as written: a power of two of at least 2 entries, 3 bytes each.
std::int64_t TableBytes(const TGIFColorMap& map) { return map.Count() == 0 ? 0 : 3 << map.PixelBits(); }

// What the color tables and the frames' codes take in the file, the codes measured as
// greedy LZW (the other codings a document may try shorten both sides alike).
std::int64_t TablesAndCodesBytes(TGIFImage& image) {
  std::int64_t bytes = TableBytes(image.Header.GlobalColorMap());
  TMemoryStream codes;
  for (const auto& frame : image.Frames) {
    if (frame->IsEmpty()) continue;
    bytes += TableBytes(frame->LocalColorMap());
    codes.Clear();
    frame->EncodePixels(codes, encodeLZW);
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

// A frame, its opaque colors in the shared table and where each entry of its own table goes.
struct TSharingFrame {
  TGIFSubImage* Frame;
  int Transparent;
  std::bitset<256> Used;
  TIndexTable ToShared{};
};

}  // namespace

bool ShareGlobalColorTable(TGIFImage& image) {
  TGIFColorMap& global = image.Header.GlobalColorMap();
  // One entry per color the frames show (tables may repeat a color), in the order met.
  std::vector<TColor> shared;
  std::unordered_map<TColor, int> sharedIndex;
  std::vector<TSharingFrame> frames;
  bool anyLocal = false;
  for (const auto& frame : image.Frames) {
    if (frame->IsEmpty()) continue;
    std::bitset<256> used;
    if (!OpaqueColors(*frame, used)) return false;
    TSharingFrame sharing{frame.get(), TransparentIndexOf(*frame), {}};
    TGIFColorMap& map = frame->EffectiveColorMap();
    anyLocal |= &map != &global;
    for (int i = 0; i < map.Count(); ++i) {
      if (!used[i]) continue;
      const auto [found, added] = sharedIndex.emplace(map.ColorAt(i), static_cast<int>(shared.size()));
      if (added) shared.push_back(found->first);
      if (shared.size() > 256) return false;
      sharing.ToShared[i] = static_cast<std::uint8_t>(found->second);
      sharing.Used.set(found->second);
    }
    frames.push_back(sharing);
  }
  if (frames.empty()) return false;
  // A transparent frame that shows every shared color needs one more entry for transparency.
  if (std::any_of(frames.begin(), frames.end(), [&](const TSharingFrame& sharing) {
        return sharing.Transparent >= 0 && sharing.Used.count() >= shared.size();
      }))
    shared.push_back(0);
  if (shared.size() > 256) return false;
  // Without local tables, only a global table that gets smaller can pay.
  if (!anyLocal && TGIFColorMap::PixelBitsFor(static_cast<int>(shared.size())) >= global.PixelBits()) return false;

  const std::int64_t before = TablesAndCodesBytes(image);
  const TDocumentCopy copy(image);
  global.Clear();
  for (const TColor color : shared) global.AddColor(color);
  for (TSharingFrame& sharing : frames) {
    TGIFSubImage& frame = *sharing.Frame;
    if (sharing.Transparent >= 0) {
      int free = 0;
      while (sharing.Used[free]) ++free;
      sharing.ToShared[sharing.Transparent] = static_cast<std::uint8_t>(free);
    }
    std::uint8_t* pixels = frame.Pixels();
    for (std::int64_t i = 0; i < frame.PixelCount(); ++i) pixels[i] = sharing.ToShared[pixels[i]];
    frame.LocalColorMap().Clear();
    if (sharing.Transparent >= 0)
      frame.ControlExtension->SetTransparentIndex(sharing.ToShared[sharing.Transparent]);
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
