#pragma once
// GIF color tables: up to 256 red, green, blue entries stored as in the file.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "base/Types.h"
#include "gfx/Palette.h"

namespace lumvane {

class TBitmap;
class TGIFImage;
class TGIFHeader;
class TGIFSubImage;

// While packing: how many pixels use an index, and the index it had before sorting.
struct TColorUsage {
  std::int64_t Count;  // a document may hold 2^31 pixels of one value
  std::int32_t Index;
};
// One record per possible pixel value; indexes at or beyond the map's count are counted too.
using TColorUsageArray = std::array<TColorUsage, 256>;
// Old index to new index.
using TIndexTable = std::array<std::uint8_t, 256>;

class TGIFColorMap : public TPersistent {
public:
  static constexpr int kMaxColors = 256;

  TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  // Forwards a warning to the owning document, with the map as sender.
  virtual void ReportWarning(int severity, const std::string& message) = 0;
  // Counts, per pixel value, the pixels that draw through this map.
  virtual void CountUsage(TColorUsageArray& usage) = 0;
  // Translates every pixel index that draws through this map.
  virtual void RemapIndexes(const TIndexTable& table) = 0;
  // Orders the entries by use, most used first, and drops the unused ones; true when the
  // map held more than one entry.
  virtual bool PackEntries() = 0;
  // Called after every change of the entries that users of the map must notice.
  virtual void NotifyChanged() = 0;

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted) { sorted_ = sorted; }
  const std::uint8_t* Entries() const { return entries_.data(); }

  void Clear();
  void Reserve(int n);
  // Appends the color; fails with "Color table overflow" on a full map.
  int AddColor(TColor color);
  int FindOrAddColor(TColor color);
  // Index of an equal entry or -1: the first match of a sorted map, else the last.
  int FindColor(TColor color) const;
  void RemoveAt(int index);
  // The color of the entry; an index outside the map warns and answers entry 0.
  TColor ColorAt(int index);
  int PixelBits() const { return PixelBitsFor(count_); }

  // Takes the source's entries, count, capacity and sort flag.
  void CopyFrom(const TGIFColorMap& source);
  // The entries of a palette (flags dropped); none leaves the map empty.
  void ImportSystemPalette(const TPaletteHandle& palette);
  // n entries laid out blue, green, red, reserved.
  void ImportQuadTable(const std::uint8_t* quads, int n);
  // The color table of a bitmap, as stored with its pixels.
  void ImportBitmapColors(const TBitmap& bitmap);
  // The entries as a palette (flag 4, no collapse); none for an empty map.
  TPaletteHandle ExportSystemPalette() const;
  void LoadFromStream(TStream& stream, int n);
  void SaveToStream(TStream& stream) const;

  // Bits per pixel that n colors need: 0 for none, else the least b ≥ 1 with 2^b ≥ n.
  static int PixelBitsFor(int n);
  // Moves entry i to table[i] for every entry (table must permute 0..Count()-1) and
  // rewrites the pixels that draw through the map to match.
  void Reorder(const TIndexTable& table);

protected:
  // Sorts by use through CountUsage and RemapIndexes; pixels beyond the map keep their
  // value, and a map that such pixels draw through keeps all its entries.
  bool PackColorMap();

private:
  std::vector<std::uint8_t> entries_;  // capacity_ × 3 bytes; none when empty
  int count_ = 0;
  int capacity_ = 0;
  bool sorted_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
public:
  explicit TGIFGlobalColorMap(TGIFHeader& header) : header_(header) {}
  void ReportWarning(int severity, const std::string& message) override;
  void CountUsage(TColorUsageArray& usage) override;
  void RemapIndexes(const TIndexTable& table) override;
  bool PackEntries() override;
  void NotifyChanged() override;

private:
  TGIFHeader& header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
  explicit TGIFLocalColorMap(TGIFSubImage& frame) : frame_(frame) {}
  void ReportWarning(int severity, const std::string& message) override;
  void CountUsage(TColorUsageArray& usage) override;
  void RemapIndexes(const TIndexTable& table) override;
  bool PackEntries() override;
  void NotifyChanged() override;

private:
  TGIFSubImage& frame_;
};

}  // namespace lumvane
