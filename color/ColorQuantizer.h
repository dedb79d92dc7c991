#pragma once
// Octree color quantization: every color of an image walks down a tree of up to eight
// levels, one bit per channel and level, to a leaf that sums the pixels reaching it. While
// the tree holds more leaves than wanted, the deepest, most recently made inner node folds
// its children into itself. The leaves' mean colors form the palette.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Palette.h"

namespace lumvane {

struct TOctreeNode {
  bool Leaf = false;
  // 64 bits: a leaf may gather every pixel of a frame (up to 2^28), each adding up to 255.
  std::int64_t PixelCount = 0;
  std::int64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
  // The next node of the same level's reducible list.
  TOctreeNode* Next = nullptr;
  // Indexed by (red bit << 2) | (green bit << 1) | blue bit.
  std::array<std::unique_ptr<TOctreeNode>, 8> Children;
};

class TColorQuantizer {
public:
  // A maximum below 1 counts as 1; color bits are kept within 1..8.
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;

  int MaxColors() const { return MaxColorCount; }
  int ColorBits() const { return Bits; }
  int LeafCount() const { return Leaves; }
  const TOctreeNode* Root() const { return RootNode.get(); }

  // Adds every pixel, rows top to bottom and each row left to right, keeping the tree at
  // the maximum after each pixel. An indexed bitmap contributes its pixels' palette colors.
  void QuantizeImage(const TBitmap& image);
  // Folds the children of the deepest level's newest reducible node into it; false when
  // there is no reducible node left.
  bool MergeDeepestNode();
  // The leaves, depth first with children in index order: each its mean color (truncated),
  // black for a leaf without pixels. Flags are 0.
  std::vector<TPaletteEntry> CollectLeafColors() const;

private:
  // Adds one color below the slot, a node of the given level, making the nodes missing on
  // the way; answers the leaf reached.
  TOctreeNode* AddPixelColor(std::unique_ptr<TOctreeNode>& slot, std::uint8_t red,
                             std::uint8_t green, std::uint8_t blue, int level);

  std::unique_ptr<TOctreeNode> RootNode;
  int MaxColorCount;
  int Bits;
  int Leaves = 0;
  // Per level, the inner nodes not merged yet, newest first.
  std::array<TOctreeNode*, 8> Reducible{};
};

// A palette of colorCount entries (kept within 1..256) for a bitmap: its quantized colors
// from entry 0 on, in collection order, the entries left over black. With the system colors
// the palette has 256 entries whatever colorCount says: entries 0..9 and 246..255 are the 20
// static system colors, 10..245 the bitmap's colors quantized to at most 236.
TPaletteHandle BuildQuantizedPalette(const TBitmap& image, int colorCount, int colorBits,
                                     bool addSystemColors);

}  // namespace lumvane
