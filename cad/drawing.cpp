#include "cad/drawing.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "cad/cad_exceptions.h"
#include "cad/class_registry.h"
#include "cad/load_reports.h"
#include "cad/entity_tree.h"
#include "lang/lang.h"
#include "platform/dialogs.h"

namespace cad {

namespace {

// A library larger than this is refused before it is read into memory.
constexpr uint64_t kMaxLibrarySize = uint64_t(1) << 30;

constexpr const char* kClassNotFound = "Object class not found. Object not load";
constexpr const char* kNot2D = "Not 2D Object. Object discarded.";
constexpr const char* kSourceNotFound = "Source block not found. The block will not be loaded";

std::string TooLargeText() {
  return lang::LangFormatOr("1115", "Block too large to draw: it draws more than %1 objects. The block is kept but will not be drawn",
                            {std::to_string(TContainer2D::kMaxDrawnObjects)});
}

// The ID an object gets and the next ID after it, by the numbering rule of both lists.
void Number(int32_t id, int32_t next, int32_t& chosen, int32_t& nextAfter) {
  nextAfter = next;
  if (id < 0) {
    chosen = next;
    nextAfter = next == std::numeric_limits<int32_t>::max() ? next : next + 1;
  } else {
    chosen = id;
    if (id >= next) nextAfter = id == std::numeric_limits<int32_t>::max() ? id : id + 1;
  }
}

// The loaders' reports to the user, each text once a load.
void Report(lang::MessageNumber number, const char* text) { ReportWhileLoading(lang::LangStringOr(number, text)); }

// The registered class of an id, or none for an id nothing is registered under.
const TGraphicObjectClass* FindClass(int16_t classId) {
  try {
    return &KQSysFindClassByIndex(classId);
  } catch (const EKQSysException&) {
    return nullptr;
  }
}

// Resolves the block references of a group or a placement against the source blocks; false (the
// user told, once a load) when one is missing. One that resolves but is too large to draw is kept,
// and the user told so once a load too.
bool ResolveReferences(TObject2D& object, const SourceBlockIndex& sources) {
  try {
    if (auto* group = dynamic_cast<TContainer2D*>(&object))
      group->ResolveBlockReferences(sources);
    else if (auto* block = dynamic_cast<TBlock2D*>(&object))
      block->UpdateReference(sources);
  } catch (const ECADListObjNotFound&) {
    Report("1112", kSourceNotFound);
    return false;
  }
  if (TooLargeToDraw(object)) ReportWhileLoading(TooLargeText());
  return true;
}

// Reads one record after its class id; none (the user told) when the id names no class.
std::unique_ptr<TObject2D> ReadRecord(platform::ByteReader& stream, int16_t classId, const std::string& versionTag,
                                      bool& stop) {
  const TGraphicObjectClass* cls = FindClass(classId);
  if (!cls) {
    // Records carry no length: nothing after an unknown one can be found.
    Report("1113", kClassNotFound);
    stop = true;
    return nullptr;
  }
  std::unique_ptr<TGraphicObject> object = cls->CreateFromStream(stream, versionTag);
  auto* object2D = dynamic_cast<TObject2D*>(object.get());
  if (!object2D) {
    Report("1114", kNot2D);
    return nullptr;
  }
  object.release();
  return std::unique_ptr<TObject2D>(object2D);
}

}  // namespace

// --- TKQCmp -----------------------------------------------------------------------------------

TKQCmp::TKQCmp()
    : layers_(std::make_unique<TLayers>()),
      sourceBlocks_(std::make_unique<TGraphicObjList>()),
      objects_(std::make_unique<TGraphicObjList>()) {}

TKQCmp::~TKQCmp() {
  // The viewports first: a painting thread must stop before the objects go.
  const std::vector<TKQViewportLink*> viewports = std::move(viewports_);
  viewports_.clear();
  for (TKQViewportLink* viewport : viewports) {
    try {
      viewport->DrawingDestroyed(*this);
    } catch (...) {
    }
  }
  // The placements go with the objects and give their references back to the source blocks.
  objects_.reset();
  try {
    FreeSourceBlocks();
  } catch (const std::exception& e) {
    try {
      platform::ShowMessage(e.what());
    } catch (...) {
    }
    BreakSourceBlockCircles();
  }
}

void TKQCmp::BreakSourceBlockCircles() noexcept {
  try {
    auto blocks = sourceBlocks_->GetPrivilegedIterator();
    for (TGraphicObject* o = blocks->First(); o; o = blocks->Next()) {
      try {
        if (auto* group = dynamic_cast<TContainer2D*>(o)) group->Objects().Clear();
      } catch (const std::exception&) {
      }
    }
    RemoveSourceBlocksWhere(*blocks, [](TGraphicObject&) { return true; });
    for (TGraphicObject* o = blocks->First(); o; o = blocks->First()) blocks->DetachCurrent();
  } catch (...) {
  }
}

TGraphicObject* TKQCmp::Append(TGraphicObjList& list, int32_t& counter, int32_t id,
                               std::unique_ptr<TGraphicObject> object) {
  int32_t next;
  Number(id, counter, object->ID, next);
  object->Owner = this;
  object->UpdateAndNotify();
  list.Add(object.get());
  counter = next;  // only once the list took the object
  return object.release();
}

TGraphicObject* TKQCmp::AddObject(int32_t id, std::unique_ptr<TGraphicObject> object) {
  if (!object) return nullptr;
  object->Layer = CurrentLayer;
  TGraphicObject* added = Append(*objects_, nextObjectId_, id, std::move(object));
  if (DrawOnAdd) DrawObjectInViewports(*added);
  if (OnAddObject) OnAddObject(*this, *added);
  if (TreeGeo) {
    // The tree only shows the drawing: a tree that cannot take the node does not undo the add.
    try {
      AddObjectToTree(*TreeGeo, *layers_, *added);
    } catch (const platform::Exception&) {
    }
  }
  return added;
}

TGraphicObject* TKQCmp::AddSourceBlock(int32_t id, std::unique_ptr<TGraphicObject> block) {
  return block ? Append(*sourceBlocks_, nextSourceBlockId_, id, std::move(block)) : nullptr;
}

TGraphicObject* TKQCmp::GetObject(int32_t id) {
  auto it = objects_->GetIterator();
  return it->Search(id);
}

TGraphicObject* TKQCmp::FindSourceBlockByID(int32_t id) {
  auto it = sourceBlocks_->GetIterator();
  return it->Search(id);
}

void TKQCmp::DeleteObject(int32_t id) {
  auto it = objects_->GetExclusiveIterator();
  TGraphicObject* object = it->Search(id);
  if (!object) throw ECADListObjNotFound("TCADCmp.DeleteObject: No object found");
  if (TreeGeo) RemoveTreeItem(*TreeGeo, object->TreeNode);
  it->RemoveCurrent();
}

void TKQCmp::DeleteSourceBlockByID(int32_t id) {
  auto it = sourceBlocks_->GetExclusiveIterator();
  if (!it->Search(id)) throw ECADListObjNotFound("TCADCmp.DeleteSourceBlock: No source block found");
  try {
    cad::RemoveSourceBlock(*it);
  } catch (const ECADSourceBlockIsReferenced&) {
  }
}

void TKQCmp::ClearObjects() {
  std::vector<uint64_t> nodes;
  try {
    if (TreeGeo) {
      auto it = objects_->GetIterator();
      for (TGraphicObject* o = it->First(); o; o = it->Next()) nodes.push_back(o->TreeNode);
    }
    objects_->Clear();
  } catch (const ECADListBlocked&) {
    return;  // the list refused: the drawing keeps its objects and their numbering
  }
  nextObjectId_ = 0;
  if (TreeGeo)
    for (uint64_t node : nodes) RemoveTreeItem(*TreeGeo, node);
}

int TKQCmp::RemoveSourceBlocksWhere(TExclusiveGraphicObjIterator& blocks,
                                    const std::function<bool(TGraphicObject&)>& remove) {
  // Removing the last node steps back to the one before it, which is then tried once more: no
  // harm, since a block is only ever removed when nothing uses it, and the pass still ends.
  int removed = 0;
  TGraphicObject* o = blocks.First();
  while (o) {
    const auto* block = dynamic_cast<const TSourceBlock2D*>(o);
    if (remove(*o) && (!block || block->CanFree())) {
      cad::RemoveSourceBlock(blocks);
      ++removed;
      o = blocks.Current();
    } else {
      o = blocks.Next();
    }
  }
  return removed;
}

void TKQCmp::RemoveSourceBlock(TGraphicObject& block) {
  auto it = sourceBlocks_->GetExclusiveIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next()) {
    if (o == &block) {
      cad::RemoveSourceBlock(*it);
      return;
    }
  }
}

void TKQCmp::FreeSourceBlocks() {
  auto blocks = sourceBlocks_->GetExclusiveIterator();
  while (blocks->Count() > 0) {
    if (RemoveSourceBlocksWhere(*blocks, [](TGraphicObject&) { return true; }) == 0)
      throw ECADSourceBlockIsReferenced(
          std::string("TCADCmp.FreeSourceBlocks: Velkora CAD library ") + kVersionTag +
          ": severe error\n\rThe drawing contains circular reference of source blocks. They will be not deleted !");
  }
}

void TKQCmp::LoadLibrary(platform::Stream& stream) {
  char tag[6];
  stream.ReadBuffer(tag, sizeof tag);
  const std::string versionTag(tag, sizeof tag);
  const bool matched = versionTag == kVersionTag;
  bool resume = false;
  if (!matched && OnInvalidFileVersion) OnInvalidFileVersion(*this, kLibraryStreamKind, stream, resume);
  if (!matched && !resume) throw ECADFileNotValid("TCADCmp.LoadLibrary: Invalid stream version.");
  uint8_t marker = 0;
  stream.ReadBuffer(&marker, 1);
  if (marker != 2) throw ECADFileNotValid("TCADCmp.LoadLibrary: no blocks found");
  const uint64_t start = stream.Position();
  if (stream.Remaining() > kMaxLibrarySize) throw ECADFileNotValid("TCADCmp.LoadLibrary: The library is too large");
  platform::Bytes bytes(size_t(stream.Remaining()));
  stream.ReadBuffer(bytes.data(), bytes.size());
  platform::ByteReader reader(bytes);
  try {
    LoadBlocks(reader, versionTag);
  } catch (...) {
    stream.SetPosition(start + reader.Position());
    throw;
  }
  stream.SetPosition(start + reader.Position());
}

bool TKQCmp::IsBlocked() const {
  // An exclusive iterator is what makes a list refuse a shared one.
  const auto exclusive = [](TGraphicObjList& list) {
    try {
      list.GetIterator();
      return false;
    } catch (const ECADListBlocked&) {
      return true;
    }
  };
  return exclusive(*objects_) || exclusive(*sourceBlocks_);
}

void TKQCmp::AddViewport(TKQViewportLink* viewport) {
  if (viewport && std::find(viewports_.begin(), viewports_.end(), viewport) == viewports_.end())
    viewports_.push_back(viewport);
}

void TKQCmp::RemoveViewport(TKQViewportLink* viewport) { std::erase(viewports_, viewport); }

void TKQCmp::RepaintViewports() {
  const std::vector<TKQViewportLink*> viewports = viewports_;
  for (TKQViewportLink* viewport : viewports) viewport->Repaint();
}

void TKQCmp::RefreshViewports() {
  const std::vector<TKQViewportLink*> viewports = viewports_;
  for (TKQViewportLink* viewport : viewports) viewport->Refresh();
}

void TKQCmp::DrawObjectInViewports(TGraphicObject& object) {
  const std::vector<TKQViewportLink*> viewports = viewports_;
  for (TKQViewportLink* viewport : viewports) {
    const platform::Rect client = viewport->ClientRect();
    viewport->DrawObject(object, viewport->OffScreenCanvas(), RectToRect2D(client));
    viewport->CopyBufferToScreen(client, true);
  }
}

void TKQCmp::SetDefaultLayersColor(platform::TColor color) {
  for (int i = 0; i < TLayers::Count(); ++i) {
    TLayer& layer = layers_->Layer(uint8_t(i));
    if (layer.Modified) continue;
    platform::Pen pen = layer.Pen();
    pen.Color = color;
    layer.SetPen(pen);
    layer.Modified = false;
  }
}

platform::TColor TKQCmp::DefaultLayersColor() const { return layers_->Layer(0).Pen().Color; }

// --- TKQCmp2D ---------------------------------------------------------------------------------

TObject2D* TKQCmp2D::AddObject(int32_t id, std::unique_ptr<TObject2D> object) {
  return static_cast<TObject2D*>(TKQCmp::AddObject(id, std::move(object)));
}

TSourceBlock2D* TKQCmp2D::AddSourceBlock(int32_t id, std::unique_ptr<TSourceBlock2D> block) {
  return static_cast<TSourceBlock2D*>(TKQCmp::AddSourceBlock(id, std::move(block)));
}

TObject2D* TKQCmp2D::GetObject(int32_t id) { return dynamic_cast<TObject2D*>(TKQCmp::GetObject(id)); }

TSourceBlock2D* TKQCmp2D::FindSourceBlock(const std::string& name) {
  const TBlockName field = MakeBlockName(name);
  auto it = SourceBlocksIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next()) {
    auto* block = dynamic_cast<TSourceBlock2D*>(o);
    if (block && block->Name() == field) return block;
  }
  throw ECADListObjNotFound("TCADCmp2D.FindSourceBlock: Source block " + name + " not found");
}

void TKQCmp2D::DeleteSourceBlock(const std::string& name) {
  TSourceBlock2D* block = FindSourceBlock(name);
  if (!block->CanFree()) throw EKQSysException("TCADCmp2D.DeleteSourceBlock: Remove the references before the source");
  RemoveSourceBlock(*block);
}

void TKQCmp2D::TransformObjects(std::span<const int32_t> ids, const TTransform2D& transform) {
  if (ids.empty()) return;
  {
    auto it = ObjectsExclusiveIterator();
    const auto apply = [&](TGraphicObject* o) {
      if (auto* object = dynamic_cast<TObject2D*>(o)) {
        object->Transform(transform);
        object->ApplyTransform();
      }
    };
    if (ids[0] < 0) {
      for (TGraphicObject* o = it->First(); o; o = it->Next()) apply(o);
    } else {
      for (const int32_t id : ids) {
        TGraphicObject* o = nullptr;
        try {
          o = it->Search(id);
        } catch (const platform::Exception&) {
          throw ECADListObjNotFound("TCADCmp2D.TransformObjects: Object not found");
        }
        if (o) apply(o);
      }
    }
  }
  // The iterator is gone: repainting walks the objects again.
  if (RepaintAfterTransform) RepaintViewports();
}

TRect2D TKQCmp2D::GetExtension(const TRect2D& empty) {
  if (NumObjects() == 0) return empty;
  TRect2D box = Rect2D(1e8, 1e8, -1e8, -1e8);
  bool any = false;
  auto it = ObjectsIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next()) {
    auto* object = dynamic_cast<TObject2D*>(o);
    if (!object || !object->Visible || !Layers().Layer(object->Layer).Visible) continue;
    object->UpdateAndNotify();
    const TRect2D e = ReorderRect2D(object->Extents());
    box.First.X = std::min(box.First.X, e.First.X);
    box.First.Y = std::min(box.First.Y, e.First.Y);
    box.Second.X = std::max(box.Second.X, e.Second.X);
    box.Second.Y = std::max(box.Second.Y, e.Second.Y);
    any = true;
  }
  // Nothing shown is an empty drawing, not the inverted starting box.
  return any ? box : empty;
}

void TKQCmp2D::LoadBlocks(platform::ByteReader& stream, const std::string& versionTag) {
  const TLoadReportScope reports;
  // Every record takes at least its class id.
  const int32_t count = ReadCheckedCount(stream, 2, "TCADCmp2D.LoadBlocks", "Block");
  SourceBlockIndex index;
  {
    auto sources = SourceBlocksIterator();
    index = IndexSourceBlocks(*sources);
  }
  for (int32_t i = 0; i < count; ++i) {
    bool stop = false;
    std::unique_ptr<TObject2D> block = ReadRecord(stream, stream.I16(), versionTag, stop);
    if (stop) break;
    if (!block) continue;
    if (!ResolveReferences(*block, index)) continue;
    TGraphicObject* added = TKQCmp::AddSourceBlock(-1, std::move(block));
    if (auto* source = dynamic_cast<TSourceBlock2D*>(added)) index.emplace(source->Name(), source);
  }
}

void TKQCmp2D::SaveBlocks(platform::ByteWriter& stream, bool library) {
  const size_t countAt = stream.Size();
  stream.I32(0);
  int32_t count = 0;
  auto it = SourceBlocksIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next()) {
    auto* block = dynamic_cast<TSourceBlock2D*>(o);
    if (!block || !block->ToBeSaved || block->IsLibraryBlock != library) continue;
    KQSysWriteObject(stream, *block);
    ++count;
  }
  stream.PatchU32(countAt, uint32_t(count));
}

void TKQCmp2D::LoadObjects(platform::ByteReader& stream, const std::string& versionTag) {
  const TLoadReportScope reports;
  auto sources = SourceBlocksExclusiveIterator();
  const SourceBlockIndex index = IndexSourceBlocks(*sources);
  // Left-out objects are counted but have no record, so the count bounds the records only from
  // above; each record checks its own bytes.
  const int32_t count = stream.I32();
  if (count < 0) throw ECADFileNotValid("TCADCmp2D.LoadObjects: Object count out of bounds");
  for (int32_t i = 0; i < count; ++i) {
    const int16_t classId = stream.I16();
    if (classId == -1) break;
    bool stop = false;
    std::unique_ptr<TObject2D> object = ReadRecord(stream, classId, versionTag, stop);
    if (stop) break;
    if (OnLoadProgress) OnLoadProgress(*this, 100 / count);
    if (!object) continue;
    if (!ResolveReferences(*object, index)) continue;
    CurrentLayer = object->Layer;
    AddObject(-1, std::move(object));
  }
}

void TKQCmp2D::SaveObjects(platform::ByteWriter& stream) {
  auto it = ObjectList().GetPrivilegedIterator();
  const int32_t count = it->Count();
  // Most records are short lines and arcs: the buffer grows once instead of doubling its way up.
  stream.Reserve(size_t(count) * 160);
  stream.I32(count);
  const int step = count > 0 ? 100 / count : 0;
  int remaining = count;
  for (TGraphicObject* o = it->First(); o; o = it->Next()) {
    if (!dynamic_cast<TObject2D*>(o) || !o->ToBeSaved || !Layers().Layer(o->Layer).Streamable) continue;
    KQSysWriteObject(stream, *o);
    if (OnSaveProgress) OnSaveProgress(*this, 100 - step * remaining);
    --remaining;
  }
  if (remaining > 0) stream.I16(-1);
}

void TKQCmp2D::DeleteSavedSourceBlocks() {
  auto blocks = SourceBlocksExclusiveIterator();
  RemoveSourceBlocksWhere(*blocks, [](TGraphicObject& o) {
    const auto* block = dynamic_cast<const TSourceBlock2D*>(&o);
    return block && block->ToBeSaved && !block->IsLibraryBlock;
  });
}

void TKQCmp2D::DeleteLibrarySourceBlocks() {
  auto blocks = SourceBlocksExclusiveIterator();
  RemoveSourceBlocksWhere(*blocks, [](TGraphicObject& o) {
    const auto* block = dynamic_cast<const TSourceBlock2D*>(&o);
    return block && block->IsLibraryBlock;
  });
}

}  // namespace cad
