#include "gfx/Blit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/ColorMatch.h"
#include "gfx/PixelAccess.h"

namespace lumvane {
namespace {

// The source coordinate, or -1 outside [0, sourceLimit), for each destination coordinate
// in [from, to) of a destination span [destStart, destEnd) showing [sourceStart, sourceEnd).
std::vector<int> MapAxis(int from, int to, std::int64_t destStart, std::int64_t destEnd,
                         std::int64_t sourceStart, std::int64_t sourceEnd, int sourceLimit) {
  // Both spans are positive and at most 2^32 - 1 long, so the unsigned product fits.
  const auto destLength = static_cast<std::uint64_t>(destEnd - destStart);
  const auto sourceLength = static_cast<std::uint64_t>(sourceEnd - sourceStart);
  std::vector<int> map;
  map.reserve(to - from);
  for (std::int64_t d = from; d < to; ++d) {
    const auto offset = static_cast<std::uint64_t>(d - destStart) * sourceLength / destLength;
    const std::int64_t s = sourceStart + static_cast<std::int64_t>(offset);
    map.push_back(s >= 0 && s < sourceLimit ? static_cast<int>(s) : -1);
  }
  return map;
}

struct TBlitJob {
  TBitmap& target;
  const TBitmap& source;
  const TBitmap* mask;  // nullptr: nothing masked
  int left, top;        // first destination pixel; the maps below run from there
  std::vector<int> columns, rows, maskColumns, maskRows;
  // Indexed sources: the destination value (color or index) of each source index.
  std::array<std::uint32_t, 256> table{};
  std::optional<TColorMatcher> matcher;  // 24-bit sources into indexed targets
};

template <int SrcBits, int DstBits>
void CopyRows(TBlitJob& job) {
  const int width = static_cast<int>(job.columns.size());
  for (std::size_t r = 0; r < job.rows.size(); ++r) {
    if (job.rows[r] < 0) continue;
    const std::uint8_t* source = job.source.ScanLine(job.rows[r]);
    const std::uint8_t* mask = job.mask ? job.mask->ScanLine(job.maskRows[r]) : nullptr;
    std::uint8_t* dest = job.target.ScanLine(job.top + static_cast<int>(r));
    for (int i = 0; i < width; ++i) {
      const int sx = job.columns[i];
      if (sx < 0 || (mask && GetIndex<1>(mask, job.maskColumns[i]))) continue;
      std::uint32_t value;
      if constexpr (SrcBits == 24) {
        value = GetRgb(source, sx);
        if constexpr (DstBits != 24) value = job.matcher->Nearest(value);
      } else {
        value = job.table[GetIndex<SrcBits>(source, sx)];
      }
      if constexpr (DstBits == 24) SetRgb(dest, job.left + i, value);
      else SetIndex<DstBits>(dest, job.left + i, static_cast<std::uint8_t>(value));
    }
  }
}

template <int SrcBits>
void CopyRowsInto(TBlitJob& job) {
  switch (job.target.PixelFormat()) {
    case TPixelFormat::pf1bit: return CopyRows<SrcBits, 1>(job);
    case TPixelFormat::pf4bit: return CopyRows<SrcBits, 4>(job);
    case TPixelFormat::pf8bit: return CopyRows<SrcBits, 8>(job);
    case TPixelFormat::pf24bit: return CopyRows<SrcBits, 24>(job);
  }
}

// A copy of the bitmap, for drawing a bitmap onto itself.
void CopyBitmap(const TBitmap& source, TBitmap& copy) {
  copy.SetPixelFormat(source.PixelFormat());
  copy.SetPalette(source.Palette());
  copy.SetSize(source.Width(), source.Height());
  for (int y = 0; y < source.Height(); ++y)
    std::memcpy(copy.ScanLine(y), source.ScanLine(y), source.RowBytes());
}

}  // namespace

void StretchBlit(TBitmap& target, const TRect& clip, const TRect& dest, const TBitmap& source,
                 const TRect& sourceRect, const TBitmap* mask) {
  if (&source == &target) {
    TBitmap copy;
    CopyBitmap(source, copy);
    return StretchBlit(target, clip, dest, copy, sourceRect, mask);
  }
  const int left = std::max(clip.Left, dest.Left), right = std::min(clip.Right, dest.Right);
  const int top = std::max(clip.Top, dest.Top), bottom = std::min(clip.Bottom, dest.Bottom);
  if (left >= right || top >= bottom || sourceRect.Left >= sourceRect.Right ||
      sourceRect.Top >= sourceRect.Bottom || source.Empty())
    return;
  if (mask && mask->Empty()) mask = nullptr;

  TBlitJob job{target, source, mask, left, top, {}, {}, {}, {}, {}, std::nullopt};
  job.columns = MapAxis(left, right, dest.Left, dest.Right, sourceRect.Left, sourceRect.Right,
                        source.Width());
  job.rows = MapAxis(top, bottom, dest.Top, dest.Bottom, sourceRect.Top, sourceRect.Bottom,
                     source.Height());
  if (mask) {
    job.maskColumns = MapAxis(left, right, dest.Left, dest.Right, 0, mask->Width(), mask->Width());
    job.maskRows = MapAxis(top, bottom, dest.Top, dest.Bottom, 0, mask->Height(), mask->Height());
  }

  const int targetBits = target.BitsPerPixel();
  if (targetBits != 24) job.matcher.emplace(target.TargetPalette(), 1 << targetBits);
  const int sourceBits = source.BitsPerPixel();
  if (sourceBits != 24) {
    const TPaletteHandle palette = source.Palette();
    const int known = palette ? std::min(palette->Count(), 1 << sourceBits) : 0;
    for (int i = 0; i < known; ++i) {
      const TColor color = EntryColor(palette->Entries()[i]);
      job.table[i] = targetBits == 24 ? color : job.matcher->Nearest(color);
    }
    // Indexes the palette lacks show black.
    const std::uint32_t black = targetBits == 24 ? 0 : job.matcher->Nearest(0);
    std::fill(job.table.begin() + known, job.table.end(), black);
  }

  switch (source.PixelFormat()) {
    case TPixelFormat::pf1bit: return CopyRowsInto<1>(job);
    case TPixelFormat::pf4bit: return CopyRowsInto<4>(job);
    case TPixelFormat::pf8bit: return CopyRowsInto<8>(job);
    case TPixelFormat::pf24bit: return CopyRowsInto<24>(job);
  }
}

}  // namespace lumvane
