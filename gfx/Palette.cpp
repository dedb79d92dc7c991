#include "gfx/Palette.h"

#include "base/Errors.h"

namespace lumvane {

TPalette::TPalette(std::vector<TPaletteEntry> entries) : entries_(std::move(entries)) {
  if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

const TPaletteEntry& TPalette::operator[](int index) const {
  if (index < 0 || index >= Count()) throw EGraphicError(kPaletteIndexOutOfRangeText);
  return entries_[index];
}

const TPalette& TPalette::SystemDefault() {
  static const TPalette palette({
      {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
      {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
      {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
  });
  return palette;
}

const TPalette& TPalette::Vga() {
  static const TPalette palette = [] {
    const std::vector<TPaletteEntry>& system = SystemDefault().Entries();
    std::vector<TPaletteEntry> entries(system.begin(), system.begin() + 8);
    entries.insert(entries.end(), system.begin() + 12, system.end());
    return TPalette(std::move(entries));
  }();
  return palette;
}

const TPalette& TPalette::BlackWhite() {
  static const TPalette palette({{0, 0, 0}, {255, 255, 255}});
  return palette;
}

const TPalette& TPalette::Halftone() {
  static const TPalette palette = [] {
    std::vector<TPaletteEntry> entries;
    entries.reserve(kMaxEntries);
    for (int red = 0; red < 6; ++red)
      for (int green = 0; green < 6; ++green)
        for (int blue = 0; blue < 6; ++blue)
          entries.push_back({static_cast<std::uint8_t>(red * 51),
                             static_cast<std::uint8_t>(green * 51),
                             static_cast<std::uint8_t>(blue * 51)});
    for (int i = 1; i <= 40; ++i) {
      const auto level = static_cast<std::uint8_t>((i * 255 * 2 + 41) / 82);
      entries.push_back({level, level, level});
    }
    return TPalette(std::move(entries));
  }();
  return palette;
}

TPaletteHandle MakePalette(std::vector<TPaletteEntry> entries) {
  return std::make_shared<const TPalette>(std::move(entries));
}

TPaletteHandle CopyPalette(const TPaletteHandle& palette) {
  return palette ? std::make_shared<const TPalette>(*palette) : nullptr;
}

}  // namespace lumvane
