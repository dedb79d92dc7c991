#include "color/ColorQuantizer.h"

#include <algorithm>

namespace lumvane {

namespace {

void CollectLeaves(const TOctreeNode& node, std::vector<TPaletteEntry>& colors) {
  if (node.Leaf) {
    TPaletteEntry entry;
    if (node.PixelCount > 0) {
      entry.Red = static_cast<std::uint8_t>(node.RedSum / node.PixelCount);
      entry.Green = static_cast<std::uint8_t>(node.GreenSum / node.PixelCount);
      entry.Blue = static_cast<std::uint8_t>(node.BlueSum / node.PixelCount);
    }
    colors.push_back(entry);
    return;
  }
  for (const std::unique_ptr<TOctreeNode>& child : node.Children)
    if (child) CollectLeaves(*child, colors);
}

}  // namespace

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : MaxColorCount(std::max(maxColors, 1)), Bits(std::clamp(colorBits, 1, 8)) {}

// The tree is at most nine levels deep, so the nodes' own recursive destruction is bounded.
TColorQuantizer::~TColorQuantizer() = default;

TOctreeNode* TColorQuantizer::AddPixelColor(std::unique_ptr<TOctreeNode>& slot, std::uint8_t red,
                                            std::uint8_t green, std::uint8_t blue, int level) {
  std::unique_ptr<TOctreeNode>* at = &slot;
  for (;;) {
    if (!*at) {
      *at = std::make_unique<TOctreeNode>();
      TOctreeNode* created = at->get();
      if (level >= Bits) {
        created->Leaf = true;
        ++Leaves;
      } else {
        created->Next = Reducible[level];
        Reducible[level] = created;
      }
    }
    TOctreeNode& node = **at;
    if (node.Leaf) {
      ++node.PixelCount;
      node.RedSum += red;
      node.GreenSum += green;
      node.BlueSum += blue;
      return &node;
    }
    const int shift = 7 - level;
    const int index = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
    at = &node.Children[index];
    ++level;
  }
}

bool TColorQuantizer::MergeDeepestNode() {
  int level = Bits - 1;
  while (level > 0 && !Reducible[level]) --level;
  TOctreeNode* node = Reducible[level];
  if (!node) return false;
  Reducible[level] = node->Next;
  node->Next = nullptr;
  // Every list deeper than this one is empty, so all children are leaves.
  int children = 0;
  std::int64_t red = 0, green = 0, blue = 0;
  for (std::unique_ptr<TOctreeNode>& child : node->Children) {
    if (!child) continue;
    ++children;
    node->PixelCount += child->PixelCount;
    red += child->RedSum;
    green += child->GreenSum;
    blue += child->BlueSum;
    child.reset();
  }
  node->RedSum = red;
  node->GreenSum = green;
  node->BlueSum = blue;
  node->Leaf = true;
  Leaves -= children - 1;
  return true;
}

void TColorQuantizer::QuantizeImage(const TBitmap& image) {
  const int width = image.Width();
  const bool trueColor = image.PixelFormat() == TPixelFormat::pf24bit;
  // Runs of one color are common: while no merge has happened since, the leaf of the
  // previous pixel is where the same color would go again.
  TOctreeNode* lastLeaf = nullptr;
  TColor lastColor = 0;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      TColor color;
      if (trueColor) {
        const std::uint8_t* pixel = row + 3 * x;
        color = pixel[2] | (pixel[1] << 8) | (static_cast<TColor>(pixel[0]) << 16);
      } else {
        color = image.PixelColor(x, y);
      }
      const auto red = static_cast<std::uint8_t>(color);
      const auto green = static_cast<std::uint8_t>(color >> 8);
      const auto blue = static_cast<std::uint8_t>(color >> 16);
      if (lastLeaf && color == lastColor) {
        ++lastLeaf->PixelCount;
        lastLeaf->RedSum += red;
        lastLeaf->GreenSum += green;
        lastLeaf->BlueSum += blue;
        continue;
      }
      TOctreeNode* leaf = AddPixelColor(RootNode, red, green, blue, 0);
      bool merged = false;
      while (Leaves > MaxColorCount && MergeDeepestNode()) merged = true;
      lastLeaf = merged ? nullptr : leaf;
      lastColor = color;
    }
  }
}

std::vector<TPaletteEntry> TColorQuantizer::CollectLeafColors() const {
  std::vector<TPaletteEntry> colors;
  if (RootNode) CollectLeaves(*RootNode, colors);
  return colors;
}

TPaletteHandle BuildQuantizedPalette(const TBitmap& image, int colorCount, int colorBits,
                                     bool addSystemColors) {
  constexpr int kSystemHalf = 10;
  std::vector<TPaletteEntry> entries;
  int first = 0;
  if (addSystemColors) {
    entries.assign(TPalette::kMaxEntries, TPaletteEntry{});
    const TPalette& system = TPalette::SystemDefault();
    for (int i = 0; i < kSystemHalf; ++i) {
      entries[i] = system[i];
      entries[TPalette::kMaxEntries - kSystemHalf + i] = system[kSystemHalf + i];
    }
    first = kSystemHalf;
  } else {
    entries.assign(std::clamp(colorCount, 1, TPalette::kMaxEntries), TPaletteEntry{});
  }
  const int room = static_cast<int>(entries.size()) - (addSystemColors ? 2 * kSystemHalf : 0);

  TColorQuantizer quantizer(room, colorBits);
  quantizer.QuantizeImage(image);
  const std::vector<TPaletteEntry> colors = quantizer.CollectLeafColors();
  const int count = std::min(static_cast<int>(colors.size()), room);
  std::copy_n(colors.begin(), count, entries.begin() + first);
  return MakePalette(std::move(entries));
}

}  // namespace lumvane
