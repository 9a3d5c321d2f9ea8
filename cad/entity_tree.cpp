#include "cad/entity_tree.h"

#include "cad/bitmap2d.h"
#include "cad/curves2d.h"
#include "cad/kq_bspline2d.h"
#include "lang/lang.h"

namespace cad {

bool TreeNodeKind(const TGraphicObject& object, int& imageIndex, std::string& captionKey) {
  struct Row {
    bool (*test)(const TGraphicObject&);
    int image;
    const char* key;
  };
  // First row that fits wins. B-splines are curves too: they are tested before the general curve,
  // or no spline would ever be listed as one.
  static const Row rows[] = {
      {Is<TPunto2D>, kTreePoint, "twGeo20"},
      {Is<TLine2D>, kTreeLine, "twGeo30"},
      {Is<TFrame2D>, kTreeFrame, "twGeo40"},
      {Is<TArco2D>, kTreeArc, "twGeo50"},
      {Is<TCerchio2D>, kTreeCircle, "twGeo60"},
      {[](const TGraphicObject& o) { return Is<TBSpline2D>(o) || Is<TKQBSpline2D>(o); }, kTreeBSpline, "twGeo90"},
      {Is<TCurve2D>, kTreeCurve, "twGeo70"},
      {Is<TPolyline2D>, kTreePolyline, "twGeo80"},
      {Is<TBitmap2D>, kTreeBitmap, "twGeoA0"},
  };
  for (const Row& row : rows) {
    if (row.test(object)) {
      imageIndex = row.image;
      captionKey = row.key;
      return true;
    }
  }
  return false;
}

void AddObjectToTree(platform::TreeView& tree, TLayers& layers, TGraphicObject& object) {
  int image = 0;
  std::string key;
  if (!TreeNodeKind(object, image, key)) return;
  if (tree.FirstNode() == 0) tree.AddChild(0, lang::LangMainText("twGeo00"), kTreeRoot, 0);
  TLayer& layer = layers.Layer(object.Layer);
  if (!tree.Exists(layer.TreeNode))
    layer.TreeNode = tree.AddChild(tree.FirstNode(), lang::LangMainText("twGeo10") + layer.Name(), kTreeLayer,
                                   int64_t(layer.Number()) + 1);
  object.TreeNode = tree.AddChild(layer.TreeNode, lang::LangMainText(key), image, object.ID);
}

void RemoveTreeItem(platform::TreeView& tree, platform::TreeItemId item) {
  if (item != 0) tree.Delete(item);
}

}  // namespace cad
