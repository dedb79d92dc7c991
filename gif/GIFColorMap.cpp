#include "gif/GIFColorMap.h"

#include <algorithm>

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "gfx/Bitmap.h"
#include "gif/GIFHeader.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

namespace lumvane {

void TGIFColorMap::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  count_ = 0;
  capacity_ = 0;
  sorted_ = false;
}

void TGIFColorMap::Reserve(int n) {
  if (n < capacity_) return;
  capacity_ = std::min(n <= 16 ? 16 : (n + 31) / 32 * 32, kMaxColors);
  entries_.resize(static_cast<std::size_t>(capacity_) * 3);
}

int TGIFColorMap::AddColor(TColor color) {
  if (count_ >= kMaxColors) throw GIFException(TGIFError::ColorTableOverflow);
  if (count_ >= capacity_) Reserve(count_ + 1);
  std::uint8_t* entry = &entries_[static_cast<std::size_t>(count_) * 3];
  entry[0] = static_cast<std::uint8_t>(color);
  entry[1] = static_cast<std::uint8_t>(color >> 8);
  entry[2] = static_cast<std::uint8_t>(color >> 16);
  sorted_ = false;
  ++count_;
  NotifyChanged();
  return count_ - 1;
}

int TGIFColorMap::FindOrAddColor(TColor color) {
  const int index = FindColor(color);
  return index >= 0 ? index : AddColor(color);
}

int TGIFColorMap::FindColor(TColor color) const {
  const std::uint8_t red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
  auto matches = [&](int i) {
    const std::uint8_t* entry = &entries_[static_cast<std::size_t>(i) * 3];
    return entry[0] == red && entry[1] == green && entry[2] == blue;
  };
  if (sorted_) {
    for (int i = 0; i < count_; ++i)
      if (matches(i)) return i;
  } else {
    for (int i = count_ - 1; i >= 0; --i)
      if (matches(i)) return i;
  }
  return -1;
}

void TGIFColorMap::RemoveAt(int index) {
  if (index < 0 || index >= count_) throw GIFException(TGIFError::InvalidColorIndex);
  entries_.erase(entries_.begin() + index * 3, entries_.begin() + index * 3 + 3);
  entries_.resize(static_cast<std::size_t>(capacity_) * 3);
  --count_;
  sorted_ = false;
  NotifyChanged();
}

TColor TGIFColorMap::ColorAt(int index) {
  if (index < 0 || index >= count_) {
    ReportWarning(kSeverityDamage, MessageText(TGIFError::InvalidColorIndex));
    if (count_ == 0) throw GIFException(TGIFError::ColorTableEmpty);
    index = 0;
  }
  const std::uint8_t* entry = &entries_[static_cast<std::size_t>(index) * 3];
  return entry[0] | (entry[1] << 8) | (static_cast<TColor>(entry[2]) << 16);
}

int TGIFColorMap::PixelBitsFor(int n) {
  if (n <= 0) return 0;
  int bits = 1;
  for (int capacity = 2; capacity < n; capacity *= 2) ++bits;
  return bits;
}

void TGIFColorMap::CopyFrom(const TGIFColorMap& source) {
  if (&source == this) return;
  Clear();
  capacity_ = source.capacity_;
  count_ = source.count_;
  sorted_ = source.sorted_;
  entries_.assign(static_cast<std::size_t>(capacity_) * 3, 0);
  std::copy_n(source.entries_.begin(), static_cast<std::size_t>(count_) * 3, entries_.begin());
  NotifyChanged();
}

void TGIFColorMap::ImportSystemPalette(const TPaletteHandle& palette) {
  Clear();
  if (!palette || palette->Count() == 0) return;
  const int n = std::min(palette->Count(), kMaxColors);
  Reserve(n);
  for (int i = 0; i < n; ++i) {
    const TPaletteEntry& entry = (*palette)[i];
    entries_[i * 3] = entry.Red;
    entries_[i * 3 + 1] = entry.Green;
    entries_[i * 3 + 2] = entry.Blue;
  }
  count_ = n;
  NotifyChanged();
}

void TGIFColorMap::ImportQuadTable(const std::uint8_t* quads, int n) {
  Clear();
  if (n <= 0) return;
  n = std::min(n, kMaxColors);
  Reserve(n);
  for (int i = 0; i < n; ++i) {
    entries_[i * 3] = quads[i * 4 + 2];
    entries_[i * 3 + 1] = quads[i * 4 + 1];
    entries_[i * 3 + 2] = quads[i * 4];
  }
  count_ = n;
  NotifyChanged();
}

void TGIFColorMap::ImportBitmapColors(const TBitmap& bitmap) {
  Clear();
  std::vector<std::uint8_t> quads;
  if (const TPaletteHandle palette = bitmap.Palette())
    for (int i = 0; i < std::min(palette->Count(), kMaxColors); ++i)
      quads.insert(quads.end(), {(*palette)[i].Blue, (*palette)[i].Green, (*palette)[i].Red, 0});
  ImportQuadTable(quads.data(), static_cast<int>(quads.size() / 4));
  NotifyChanged();
}

TPaletteHandle TGIFColorMap::ExportSystemPalette() const {
  if (count_ == 0) return nullptr;
  std::vector<TPaletteEntry> entries(count_);
  for (int i = 0; i < count_; ++i)
    entries[i] = TPaletteEntry{entries_[i * 3], entries_[i * 3 + 1], entries_[i * 3 + 2], 4};
  return MakePalette(std::move(entries));
}

void TGIFColorMap::LoadFromStream(TStream& stream, int n) {
  Clear();
  Reserve(n);
  ReadExact(stream, entries_.data(), static_cast<std::size_t>(n) * 3);
  count_ = n;
}

void TGIFColorMap::SaveToStream(TStream& stream) const {
  if (count_ == 0) return;
  stream.WriteBuffer(entries_.data(), static_cast<std::size_t>(count_) * 3);
  const std::vector<std::uint8_t> padding(((std::size_t{1} << PixelBits()) - count_) * 3, 0);
  stream.WriteBuffer(padding.data(), padding.size());
}

void TGIFGlobalColorMap::NotifyChanged() {
  if (TGIFImage* image = header_.Image()) image->SetPalette(nullptr);
}

void TGIFLocalColorMap::NotifyChanged() { frame_.SetPalette(nullptr); }

void TGIFGlobalColorMap::ReportWarning(int severity, const std::string& message) {
  if (TGIFImage* image = header_.Image()) image->ReportWarning(this, severity, message);
}

void TGIFLocalColorMap::ReportWarning(int severity, const std::string& message) {
  if (TGIFImage* image = frame_.Image()) image->ReportWarning(this, severity, message);
}

}  // namespace lumvane
