// The entity information tree: a drawing linked to a tree view (TKQCmp::TreeGeo) lists its objects
// there under their layers, under one root node. Captions come from section "frmMain" of the
// language file; each node's data names what it shows.
#pragma once

#include <cstdint>
#include <string>

#include "cad/graphic_object.h"
#include "cad/layers.h"
#include "platform/tree_view.h"

namespace cad {

// Image indices of the nodes (the data of the root is 0, of a layer node its number + 1, of an
// object node the object's ID).
enum TTreeImage : int {
  kTreeRoot = 0,
  kTreeLayer = 1,
  kTreePoint = 2,
  kTreeLine = 3,
  kTreeFrame = 4,
  kTreeArc = 5,
  kTreeCircle = 6,
  kTreeCurve = 7,
  kTreePolyline = 8,
  kTreeBSpline = 9,
  kTreeBitmap = 10,
};

// The row of an object's class: its image index and caption key ("twGeo20" ...); false for classes
// the tree does not list.
bool TreeNodeKind(const TGraphicObject& object, int& imageIndex, std::string& captionKey);

// Adds the root to an empty tree, the layer's node under the root when the layer has none (or its
// node has gone), then the object's node as the last child of its layer's node; the object keeps
// the node's identifier. An object of a class the tree does not list gets no node.
void AddObjectToTree(platform::TreeView& tree, TLayers& layers, TGraphicObject& object);
// Deletes the node when it still exists.
void RemoveTreeItem(platform::TreeView& tree, platform::TreeItemId item);

}  // namespace cad
