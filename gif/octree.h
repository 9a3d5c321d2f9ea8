// Octree colour quantisation: every colour of a picture goes down a tree of eight levels (the
// child at depth d takes bit 7 - d of red, green and blue, red the most significant); while there
// are more leaves than colours wanted, the deepest level that still has a reducible node merges
// that node's children into it (or, where that would leave fewer colours than asked, only its least
// used children into one of them). The palette is the leaves' average colours.
#pragma once

#include <cstdint>
#include <vector>

#include "gif/color_map.h"

namespace gif {

struct TOctreeNode {
  bool Leaf = false;
  uint32_t PixelCount = 0;
  uint64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
  int Children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

class TColorQuantizer {
 public:
  // At most `maxColors` (1..256) leaves.
  explicit TColorQuantizer(int maxColors);
  void AddColor(uint8_t red, uint8_t green, uint8_t blue);
  int LeafCount() const { return leafCount_; }
  // The leaves' average colours (black for a leaf without pixels), in tree order.
  std::vector<TGIFColor> Palette() const;

 private:
  int NewNode(int level);
  void Reduce();
  void CollectPalette(int node, std::vector<TGIFColor>& palette) const;

  int maxColors_;
  int leafCount_ = 0;
  std::vector<TOctreeNode> nodes_;
  std::vector<int> free_;
  std::vector<int> reducible_[8];  // per level, most recent last
  int root_;
};

}  // namespace gif
