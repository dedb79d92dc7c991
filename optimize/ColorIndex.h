#pragma once
// Colors to color table indexes, by hashing.

#include <array>
#include <cstdint>
#include <vector>

namespace lumvane {

// Colors (opaque canvas pixels, never 0) to the indexes of a color table of at most 256
// entries: the lowest index given for each color.
class TColorIndex {
public:
  TColorIndex() { keys_.fill(0); }
  // A table's first count colors, all but the excluded index (-1: none).
  TColorIndex(const std::array<std::uint32_t, 256>& colors, int count, int excluded) : TColorIndex() {
    for (int i = 0; i < count; ++i)
      if (i != excluded) Give(colors[i], static_cast<std::uint8_t>(i));
  }
  // The colors added, in the order they were added.
  int Count() const { return static_cast<int>(colors_.size()); }
  const std::vector<std::uint32_t>& Colors() const { return colors_; }
  void Clear() {
    keys_.fill(0);
    colors_.clear();
  }
  // The index of the color, or -1.
  int Find(std::uint32_t color) const {
    const std::size_t slot = SlotOf(color);
    return color != 0 && keys_[slot] == color ? values_[slot] : -1;
  }
  // The index of the color, the next free one when it is new; -1 when the table is full.
  int Add(std::uint32_t color) {
    if (const int found = Find(color); found >= 0) return found;
    if (colors_.size() >= 256) return -1;
    Give(color, static_cast<std::uint8_t>(colors_.size()));
    return static_cast<int>(colors_.size()) - 1;
  }

private:
  static constexpr std::size_t kSlots = 1024;
  // Linear probing: the slot holding the color, or the empty slot where it would go.
  std::size_t SlotOf(std::uint32_t color) const {
    std::size_t slot = (color * 2654435761u) >> 22;
    while (keys_[slot] != 0 && keys_[slot] != color) slot = (slot + 1) % kSlots;
    return slot;
  }
  // Gives a new color the index; a color that has one keeps it.
  void Give(std::uint32_t color, std::uint8_t index) {
    const std::size_t slot = SlotOf(color);
    if (color == 0 || keys_[slot] == color) return;
    keys_[slot] = color;
    values_[slot] = index;
    colors_.push_back(color);
  }

  std::array<std::uint32_t, kSlots> keys_;
  std::array<std::uint8_t, kSlots> values_{};
  std::vector<std::uint32_t> colors_;
};

}  // namespace lumvane
