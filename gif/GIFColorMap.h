#pragma once
// GIF color tables: up to 256 red, green, blue entries stored as in the file.

#include <cstdint>
#include <string>
#include <vector>

#include "gif/Stream.h"
#include "gif/Types.h"

namespace lumvane {

class TGIFImage;
class TGIFHeader;
class TGIFSubImage;

class TGIFColorMap : public TPersistent {
public:
  static constexpr int kMaxColors = 256;

  TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  // Forwards a warning to the owning document, with the map as sender.
  virtual void ReportWarning(int severity, const std::string& message) = 0;

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

  void LoadFromStream(TStream& stream, int n);
  void SaveToStream(TStream& stream) const;

  // Bits per pixel that n colors need: 0 for none, else the least b ≥ 1 with 2^b ≥ n.
  static int PixelBitsFor(int n);

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

private:
  TGIFHeader& header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
  explicit TGIFLocalColorMap(TGIFSubImage& frame) : frame_(frame) {}
  void ReportWarning(int severity, const std::string& message) override;

private:
  TGIFSubImage& frame_;
};

}  // namespace lumvane
