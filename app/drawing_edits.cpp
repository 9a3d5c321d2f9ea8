#include "app/drawing_edits.h"

#include <algorithm>
#include <cmath>

#include "cad/bitmap2d.h"
#include "cad/construction.h"
#include "cad/entity_tree.h"
#include "cad/primitives2d.h"

namespace app {

namespace {

bool IsBitmap(const cad::TGraphicObject* object) { return dynamic_cast<const cad::TBitmap2D*>(object) != nullptr; }

std::unique_ptr<cad::TObject2D> CopyOf(const cad::TObject2D& source) {
  std::unique_ptr<cad::TObject2D> copy = source.NewInstance(-1);
  copy->Assign(source);
  return copy;
}

}  // namespace

int DeleteSmallObjects(cad::TKQCmp2D& drawing, double size) {
  int removed = 0;
  auto objects = drawing.ObjectsExclusiveIterator();
  cad::TGraphicObject* object = objects->First();
  while (object) {
    auto* object2d = dynamic_cast<cad::TObject2D*>(object);
    if (!object2d || IsBitmap(object) || dynamic_cast<cad::TPunto2D*>(object)) {
      object = objects->Next();
      continue;
    }
    object2d->UpdateExtension();
    const cad::TRect2D box = object2d->Extents();
    const cad::TPoint2D a = cad::CartesianPoint2D(box.First), b = cad::CartesianPoint2D(box.Second);
    // Width and height, whichever way round the corners come.
    if (std::fabs(b.X - a.X) < size && std::fabs(b.Y - a.Y) < size) {
      if (drawing.TreeGeo) cad::RemoveTreeItem(*drawing.TreeGeo, object->TreeNode);
      objects->RemoveCurrent();
      ++removed;
      // The follower is current now; at the tail the predecessor, which was kept already and is
      // looked at again harmlessly.
      object = objects->Current();
      continue;
    }
    object = objects->Next();
  }
  return removed;
}

void TransformAllButBitmaps(cad::TKQCmp2D& drawing, const cad::TTransform2D& transform) {
  std::vector<int32_t> ids;
  {
    auto objects = drawing.ObjectsIterator();
    for (cad::TGraphicObject* object = objects->First(); object; object = objects->Next())
      if (!IsBitmap(object)) ids.push_back(object->ID);
  }
  if (!ids.empty()) drawing.TransformObjects(ids, transform);
}

std::vector<int32_t> TransformObjectsRepeated(cad::TKQCmp2D& drawing, std::span<const int32_t> ids,
                                              const cad::TTransform2D& step, bool copy, int repeat) {
  repeat = std::max(repeat, 1);
  std::vector<int32_t> copies;
  for (const int32_t id : ids) {
    cad::TObject2D* source = drawing.GetObject(id);
    if (!source || IsBitmap(source) || id < 0) continue;
    cad::TTransform2D total = step;
    for (int k = 1; k <= repeat; ++k) {
      if (k > 1) total = cad::MultiplyTransform2D(total, step);
      if (!copy) continue;
      const int32_t copyId = cad::AddPieceOf2D(drawing, *source, CopyOf(*source))->ID;
      const int32_t one[] = {copyId};
      drawing.TransformObjects(one, total);
      copies.push_back(copyId);
      // Adding may have moved the list; look the source up again.
      source = drawing.GetObject(id);
    }
    if (!copy) {
      const int32_t one[] = {id};
      drawing.TransformObjects(one, total);
    }
  }
  return copies;
}

int MoveObjectsToLayer(cad::TKQCmp2D& drawing, std::span<const int32_t> ids, uint8_t layer) {
  int moved = 0;
  for (const int32_t id : ids) {
    cad::TObject2D* object = drawing.GetObject(id);
    if (!object || IsBitmap(object) || object->Layer == layer) continue;
    object->Layer = layer;
    ++moved;
  }
  return moved;
}

std::vector<std::unique_ptr<cad::TObject2D>> DeleteObjectsKept(cad::TKQCmp2D& drawing, std::span<const int32_t> ids) {
  std::vector<std::unique_ptr<cad::TObject2D>> kept;
  for (const int32_t id : ids) {
    const cad::TObject2D* object = drawing.GetObject(id);
    if (!object || IsBitmap(object)) continue;
    kept.push_back(CopyOf(*object));
    // The layer is the drawing's, not the object's data: Assign leaves it.
    kept.back()->Layer = object->Layer;
    drawing.DeleteObject(id);
  }
  return kept;
}

std::vector<int32_t> RestoreObjects(cad::TKQCmp2D& drawing, const std::vector<std::unique_ptr<cad::TObject2D>>& kept) {
  std::vector<int32_t> ids;
  for (const auto& object : kept) ids.push_back(cad::AddPieceOf2D(drawing, *object, CopyOf(*object))->ID);
  return ids;
}

}  // namespace app
