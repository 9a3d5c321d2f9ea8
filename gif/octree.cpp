#include "gif/octree.h"

#include <algorithm>

namespace gif {

namespace {
constexpr int kLevels = 8;
}

TColorQuantizer::TColorQuantizer(int maxColors) : maxColors_(std::clamp(maxColors, 1, 256)) {
  root_ = NewNode(0);
}

int TColorQuantizer::NewNode(int level) {
  int index;
  if (!free_.empty()) {
    // Nodes merged away are used again, so the tree stays small however many colours pass.
    index = free_.back();
    free_.pop_back();
    nodes_[size_t(index)] = TOctreeNode{};
  } else {
    nodes_.emplace_back();
    index = int(nodes_.size()) - 1;
  }
  if (level == kLevels) {
    nodes_[size_t(index)].Leaf = true;
    ++leafCount_;
  } else if (level > 0) {
    reducible_[level].push_back(index);
  }
  return index;
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
  int node = root_;
  for (int level = 0; !nodes_[size_t(node)].Leaf; ++level) {
    const int shift = 7 - level;
    const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
    int next = nodes_[size_t(node)].Children[child];
    if (next < 0) {
      next = NewNode(level + 1);
      nodes_[size_t(node)].Children[child] = next;
    }
    node = next;
  }
  TOctreeNode& leaf = nodes_[size_t(node)];
  ++leaf.PixelCount;
  leaf.RedSum += red;
  leaf.GreenSum += green;
  leaf.BlueSum += blue;
  while (leafCount_ > maxColors_) Reduce();
}

void TColorQuantizer::Reduce() {
  int level = kLevels - 1;
  while (level > 0 && reducible_[level].empty()) --level;
  int node;
  if (reducible_[level].empty()) {
    node = root_;  // only the root is left to merge
  } else {
    node = reducible_[level].back();
    reducible_[level].pop_back();
  }
  // The deepest level goes first, so every child here is a leaf.
  std::vector<int> children;
  for (int child : nodes_[size_t(node)].Children)
    if (child >= 0) children.push_back(child);
  const int excess = leafCount_ - maxColors_;
  auto fold = [&](TOctreeNode& into, int child) {
    const TOctreeNode& c = nodes_[size_t(child)];
    into.PixelCount += c.PixelCount;
    into.RedSum += c.RedSum;
    into.GreenSum += c.GreenSum;
    into.BlueSum += c.BlueSum;
    free_.push_back(child);
  };
  TOctreeNode& n = nodes_[size_t(node)];
  if (int(children.size()) - 1 <= excess) {
    for (int& child : n.Children) {
      if (child < 0) continue;
      fold(n, child);
      child = -1;
    }
    n.Leaf = true;
    leafCount_ -= int(children.size()) - 1;
    return;
  }
  // Merging all children would leave fewer colours than asked: only the least used ones are folded
  // into one of them, and the node keeps the rest.
  std::sort(children.begin(), children.end(),
            [&](int a, int b) { return nodes_[size_t(a)].PixelCount < nodes_[size_t(b)].PixelCount; });
  for (int i = 1; i <= excess; ++i) {
    fold(nodes_[size_t(children[0])], children[size_t(i)]);
    for (int& child : nodes_[size_t(node)].Children)
      if (child == children[size_t(i)]) child = -1;
  }
  leafCount_ -= excess;
  if (node != root_) reducible_[level].push_back(node);
}

std::vector<TGIFColor> TColorQuantizer::Palette() const {
  std::vector<TGIFColor> palette;
  CollectPalette(root_, palette);
  return palette;
}

void TColorQuantizer::CollectPalette(int node, std::vector<TGIFColor>& palette) const {
  const TOctreeNode& n = nodes_[size_t(node)];
  if (n.Leaf) {
    if (n.PixelCount == 0) {
      palette.push_back(TGIFColor{});
    } else {
      const uint64_t c = n.PixelCount;
      palette.push_back(TGIFColor{uint8_t((n.RedSum + c / 2) / c), uint8_t((n.GreenSum + c / 2) / c),
                                  uint8_t((n.BlueSum + c / 2) / c)});
    }
    return;
  }
  for (int child : n.Children)
    if (child >= 0) CollectPalette(child, palette);
}

}  // namespace gif
