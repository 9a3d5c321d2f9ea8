// The drawing: the objects and the source blocks (block definitions) it holds, its 256 layers, the
// numbering of both, the object and block streams, the block library "Library.blk", and the
// viewports that show it.
//
// Use (the main window keeps one TKQCmp2D, LocalCad):
//   KQSysStartEntities();                       // once, before any entity is made or read
//   TKQCmp2D drawing;
//   drawing.LoadLibrary(fileStream);            // "Library.blk"; raises on a damaged library
//   drawing.AddObject(-1, std::make_unique<TLine2D>(-1, a, b));   // -1: the next free ID
//   drawing.TransformObjects(std::vector<int32_t>{-1}, Translate2D(dx, dy));  // every object
//   drawing.ClearObjects();
//
// Viewports attach themselves through TKQViewportLink (below): the drawing asks them to repaint,
// to show their buffer again and to draw one object, and tells them when it goes. The viewport
// control implements the interface, so this library needs no widget:
//   class TKQViewport : public QWidget, public cad::TKQViewportLink { ... };
//   void TKQViewport::SetCADCmp(TKQCmp* d) {           // Part of the viewport, not of the drawing
//     if (d == drawing_) return;
//     StopRepaint();
//     if (drawing_) drawing_->RemoveViewport(this);
//     if (d) d->AddViewport(this);
//     drawing_ = d;
//   }
//   void TKQViewport::DrawingDestroyed(TKQCmp&) { StopRepaint(); drawing_ = nullptr; }
// A viewport detaches itself (RemoveViewport) before it is destroyed.
//
// Lists refuse changes while iterators are open (ECADListBlocked): a viewport stops its painting
// thread before the GUI thread changes the drawing. Everything here runs on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cad/blocks2d.h"
#include "cad/graphic_obj_list.h"
#include "cad/layers.h"
#include "cad/object2d.h"
#include "platform/canvas.h"
#include "platform/stream.h"

namespace platform {
class TreeView;
}

namespace cad {

class TKQCmp;

// What a drawing asks of a viewport that shows it.
class TKQViewportLink {
 public:
  virtual ~TKQViewportLink() = default;

  // Redraws the visible window into the off-screen buffer and shows it (RepaintViewports).
  virtual void Repaint() = 0;
  // Shows the off-screen buffer again without drawing (RefreshViewports).
  virtual void Refresh() = 0;
  // The client area in pixels.
  virtual platform::Rect ClientRect() const = 0;
  // The decorative canvas over the off-screen buffer.
  virtual TDecorativeCanvas& OffScreenCanvas() = 0;
  // Draws one object on `canvas` with its layer's style, `clip` in pixels (the viewport's DrawObject).
  virtual void DrawObject(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip) = 0;
  // Copies `rect` of the off-screen buffer to the screen, then fires the paint event when asked.
  virtual void CopyBufferToScreen(const platform::Rect& rect, bool firePaint) = 0;
  // The drawing is being destroyed and has already forgotten this viewport: stop painting it and
  // let go of it without calling back into it.
  virtual void DrawingDestroyed(TKQCmp& drawing) = 0;
};

// The drawing in general; TKQCmp2D fills in the streams of 2D objects.
class TKQCmp {
 public:
  using ProgressEvent = std::function<void(TKQCmp& sender, int percent)>;
  using AddObjectEvent = std::function<void(TKQCmp& sender, TGraphicObject& object)>;
  // `stream` is positioned after the six tag bytes; setting `resume` reads the stream all the same.
  using InvalidFileVersionEvent =
      std::function<void(TKQCmp& sender, int streamKind, platform::Stream& stream, bool& resume)>;

  // The stream kind OnInvalidFileVersion is told for a block library.
  static constexpr int kLibraryStreamKind = 1;
  // The stream version tag, six characters.
  static constexpr const char* kVersionTag = kCurrentVersionTag;

  TKQCmp();
  // Detaches the viewports, frees the objects, then the source blocks; never raises (a source block
  // that cannot be freed is reported, see FreeSourceBlocks).
  virtual ~TKQCmp();
  TKQCmp(const TKQCmp&) = delete;
  TKQCmp& operator=(const TKQCmp&) = delete;

  // A negative ID takes the next object ID (which then grows by one); an ID at or above the next one
  // is kept and the next becomes ID + 1; a smaller one is kept as it is. The object takes this
  // drawing as owner and the current layer, is appended (the list refuses while iterators are open:
  // ECADListBlocked, the object is freed and the numbering stays), drawn at once in every viewport
  // when DrawOnAdd is set, announced by OnAddObject and listed in TreeGeo when set.
  TGraphicObject* AddObject(int32_t id, std::unique_ptr<TGraphicObject> object);
  // The same numbering with the source-block counter, into the source-block list; no drawing, no
  // event, no tree node.
  TGraphicObject* AddSourceBlock(int32_t id, std::unique_ptr<TGraphicObject> block);
  // The first object with the ID, or none.
  TGraphicObject* GetObject(int32_t id);
  TGraphicObject* FindSourceBlockByID(int32_t id);
  // ECADListObjNotFound "TCADCmp.DeleteObject: No object found"; otherwise its tree node goes and the
  // object is freed.
  void DeleteObject(int32_t id);
  // ECADListObjNotFound "TCADCmp.DeleteSourceBlock: No source block found"; a referenced block stays
  // without a word.
  void DeleteSourceBlockByID(int32_t id);
  // Frees every object and starts the numbering at 0 again; while the list refuses (iterators open)
  // nothing changes.
  void ClearObjects();
  // Frees every source block, in passes, since a block may be referenced by blocks after it. A pass
  // that frees nothing while blocks remain raises ECADSourceBlockIsReferenced; the rest stay.
  void FreeSourceBlocks();
  // Reads a block library: the tag "KQ-002", the marker 2, then a block stream. A wrong tag raises
  // ECADFileNotValid "TCADCmp.LoadLibrary: Invalid stream version." unless OnInvalidFileVersion
  // resumes; a wrong marker raises "TCADCmp.LoadLibrary: no blocks found". The stream is left after
  // what was read.
  void LoadLibrary(platform::Stream& stream);

  int NumObjects() const { return objects_->Count(); }
  int NumSourceBlocks() const { return sourceBlocks_->Count(); }
  // New iterators (the caller frees them, which releases the list).
  std::unique_ptr<TGraphicObjIterator> ObjectsIterator() { return objects_->GetIterator(); }
  std::unique_ptr<TGraphicObjIterator> SourceBlocksIterator() { return sourceBlocks_->GetIterator(); }
  std::unique_ptr<TExclusiveGraphicObjIterator> ObjectsExclusiveIterator() { return objects_->GetExclusiveIterator(); }
  std::unique_ptr<TExclusiveGraphicObjIterator> SourceBlocksExclusiveIterator() {
    return sourceBlocks_->GetExclusiveIterator();
  }
  // Either list has an exclusive iterator open.
  bool IsBlocked() const;
  // Either list has any iterator open.
  bool HasIterators() const { return objects_->HasIterators() || sourceBlocks_->HasIterators(); }

  // Called by the viewport itself; attaching twice keeps one entry.
  void AddViewport(TKQViewportLink* viewport);
  void RemoveViewport(TKQViewportLink* viewport);
  const std::vector<TKQViewportLink*>& Viewports() const { return viewports_; }
  virtual void RepaintViewports();
  virtual void RefreshViewports();
  // Draws the object on every viewport's off-screen canvas, clipped to its client area, and shows it.
  void DrawObjectInViewports(TGraphicObject& object);

  // Recolours the pen of every layer not changed by anyone (its Modified flag stays clear).
  void SetDefaultLayersColor(platform::TColor color);
  // Layer 0's pen colour.
  platform::TColor DefaultLayersColor() const;

  TLayers& Layers() { return *layers_; }
  const TLayers& Layers() const { return *layers_; }
  int32_t NextObjectID() const { return nextObjectId_; }
  int32_t NextSourceBlockID() const { return nextSourceBlockId_; }

  // Streams, all in the layout of the tag "KQ-002".
  virtual void LoadBlocks(platform::ByteReader& stream, const std::string& versionTag) = 0;
  virtual void SaveBlocks(platform::ByteWriter& stream, bool library) = 0;
  virtual void LoadObjects(platform::ByteReader& stream, const std::string& versionTag) = 0;
  virtual void SaveObjects(platform::ByteWriter& stream) = 0;
  // Remove, skipping referenced blocks: the saved blocks not from a library; the library blocks.
  virtual void DeleteSavedSourceBlocks() = 0;
  virtual void DeleteLibrarySourceBlocks() = 0;

  // Every object added takes it as its layer.
  uint8_t CurrentLayer = 0;
  bool DrawOnAdd = false;
  bool RepaintAfterTransform = true;
  // The entity information tree, when one is linked (not owned).
  platform::TreeView* TreeGeo = nullptr;
  ProgressEvent OnLoadProgress;
  ProgressEvent OnSaveProgress;
  AddObjectEvent OnAddObject;
  InvalidFileVersionEvent OnInvalidFileVersion;

 protected:
  TGraphicObjList& ObjectList() { return *objects_; }
  TGraphicObjList& SourceBlockList() { return *sourceBlocks_; }
  // One pass over the source blocks removing those `remove` picks, skipping referenced ones; the
  // number removed.
  int RemoveSourceBlocksWhere(TExclusiveGraphicObjIterator& blocks, const std::function<bool(TGraphicObject&)>& remove);
  // Removes exactly this source block (IDs need not be unique); a referenced one raises.
  void RemoveSourceBlock(TGraphicObject& block);

 private:
  // Numbers the object by `counter` (see AddObject) and appends it to `list`.
  TGraphicObject* Append(TGraphicObjList& list, int32_t& counter, int32_t id, std::unique_ptr<TGraphicObject> object);
  // The destructor's last resort: blocks referencing one another in a circle are emptied so that
  // their references go, then freed; blocks still used from outside the drawing are let go of
  // unfreed, since freeing them would leave their placements dangling.
  void BreakSourceBlockCircles() noexcept;

  std::unique_ptr<TLayers> layers_;
  std::unique_ptr<TGraphicObjList> sourceBlocks_;
  std::unique_ptr<TGraphicObjList> objects_;
  std::vector<TKQViewportLink*> viewports_;
  int32_t nextObjectId_ = 0;
  int32_t nextSourceBlockId_ = 0;
};

// The 2D drawing. Its typed AddObject, AddSourceBlock and GetObject hide the general ones, which
// stay reachable through a TKQCmp reference.
class TKQCmp2D : public TKQCmp {
 public:
  // Typed forms.
  TObject2D* AddObject(int32_t id, std::unique_ptr<TObject2D> object);
  TSourceBlock2D* AddSourceBlock(int32_t id, std::unique_ptr<TSourceBlock2D> block);
  // The object as a 2D object, or none.
  TObject2D* GetObject(int32_t id);
  // The first source block whose 13-byte name field equals the name's; ECADListObjNotFound
  // "TCADCmp2D.FindSourceBlock: Source block <name> not found".
  TSourceBlock2D* FindSourceBlock(const std::string& name);
  // A referenced block raises EKQSysException "TCADCmp2D.DeleteSourceBlock: Remove the references
  // before the source" and stays.
  void DeleteSourceBlock(const std::string& name);
  // Transform followed by ApplyTransform for the objects named; a negative first ID means every
  // object; IDs not found are skipped; an empty list does nothing. Then, with
  // RepaintAfterTransform, the viewports repaint.
  void TransformObjects(std::span<const int32_t> ids, const TTransform2D& transform);
  // The box of the visible objects on visible layers (their extents recomputed); `empty` when there
  // is no such object.
  TRect2D GetExtension(const TRect2D& empty);

  void LoadBlocks(platform::ByteReader& stream, const std::string& versionTag) override;
  void SaveBlocks(platform::ByteWriter& stream, bool library) override;
  void LoadObjects(platform::ByteReader& stream, const std::string& versionTag) override;
  void SaveObjects(platform::ByteWriter& stream) override;
  void DeleteSavedSourceBlocks() override;
  void DeleteLibrarySourceBlocks() override;
};

}  // namespace cad
