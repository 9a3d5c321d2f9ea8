// Groups of objects: a container owns child objects; a source block is a named group kept in the
// drawing's source-block list (a block definition) and counts the placements that use it; a block
// places a source block.
#pragma once

#include <array>
#include <map>

#include "cad/graphic_obj_list.h"
#include "cad/object2d.h"

namespace cad {

// A 13-byte block name field: a length byte and up to 12 characters. Compared byte for byte over
// the whole field; every field made or read has its length clamped to 12 and zeros after the name,
// so equal names are equal fields.
using TBlockName = std::array<uint8_t, 13>;
TBlockName MakeBlockName(const std::string& name);
std::string BlockNameText(const TBlockName& name);

class TSourceBlock2D;
// The source blocks by name field, the first of each name in list order (the one a search down the
// list finds): a library of many blocks resolves each reference in one lookup.
using SourceBlockIndex = std::map<TBlockName, TSourceBlock2D*>;
SourceBlockIndex IndexSourceBlocks(TGraphicObjIterator& sourceBlocks);

class TContainer2D : public TObject2D {
 public:
  explicit TContainer2D(int32_t id) : TObject2D(id) {}
  // After TObject2D's fields: int32 child count, then per child an int16 class id and its record.
  // Every child is notified and appended, then the container. Containers nested deeper than
  // kMaxNesting raise ECADFileNotValid.
  TContainer2D(platform::ByteReader& stream, const std::string& versionTag);

  static constexpr int kMaxNesting = 64;
  // The most objects a group or source block may draw, counted through every level (41 blocks
  // each placing the one before it twice hold 2^40 lines in 14 kB of file). 2^20, about a million:
  // no real drawing comes near it, and a paint of that many takes a fraction of a second. A group
  // or block past it is kept, saved and written as it is, but draws nothing, and a pick finds
  // nothing in it (a placement of it still answers at its insertion point); the rest of the view
  // is drawn.
  static constexpr int64_t kMaxDrawnObjects = int64_t(1) << 20;

  std::string ClassName() const override { return "TContainer2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TContainer2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;
  // The union of the children's extents, through the model transform; (0, 0)-(0, 0) when empty.
  // The objects the children draw are counted with them, from the children's own counts, so a
  // count costs one step a child however deep the blocks go.
  void UpdateExtension() override;
  // Itself and what its children draw, as of the last UpdateExtension; saturates, never wraps.
  int64_t DrawnObjects() const override { return drawnObjects_; }
  // The children draw more than kMaxDrawnObjects objects: drawing and picking leave them out.
  bool TooLargeToDraw() const { return drawnObjects_ - 1 > kMaxDrawnObjects; }
  // Every child starts from the pen and brush the container found on the canvas. Nothing when too
  // large to draw.
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  void DrawControlPoints(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip,
                         int width) override;
  // PICK_NOOBJECT, PICK_INBBOX, or the ID of the nearest picked child; a container too large to
  // draw asks no child and answers its box alone.
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;

  // Resolves the blocks among the children (nested groups included) against the source blocks of
  // `sourceBlocks`, then notifies. A missing source block raises ECADListObjNotFound.
  void ResolveBlockReferences(TGraphicObjIterator& sourceBlocks);
  void ResolveBlockReferences(const SourceBlockIndex& sourceBlocks);

  TGraphicObjList& Objects() { return objects_; }
  // Appends a child (the list refuses while an iterator is open; the child is then freed).
  void AddChild(std::unique_ptr<TObject2D> child);

 protected:
  // From a container: the children are copied (same class, same ID) in place of the own ones;
  // ECADListBlocked "TContainer2D.Assign: The list has an exclusive iterator." when the source's
  // list is held exclusively.
  void AssignFrom(const TGraphicObject& source) override;

 private:
  TGraphicObjList objects_;
  int64_t drawnObjects_ = 1;
};

// A named, counted group: a block definition.
class TSourceBlock2D : public TContainer2D {
 public:
  explicit TSourceBlock2D(int32_t id) : TContainer2D(id) {}
  TSourceBlock2D(int32_t id, const std::string& name);
  // After TContainer2D's fields: uint8 to-be-saved, uint8 library flag, the 13-byte name; no
  // references.
  TSourceBlock2D(platform::ByteReader& stream, const std::string& versionTag);
  // Placements must be gone first (CanFree); see CheckCanFree.
  ~TSourceBlock2D() override = default;

  std::string ClassName() const override { return "TSourceBlock2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TSourceBlock2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;

  const TBlockName& Name() const { return name_; }
  std::string NameText() const { return BlockNameText(name_); }
  // The placements that use this block.
  int RefCount() const { return refCount_; }
  void AddReference() { ++refCount_; }
  void ReleaseReference() {
    if (refCount_ > 0) --refCount_;
  }
  // Whether the block may be freed: no placement uses it.
  bool CanFree() const { return refCount_ == 0; }
  // ECADSourceBlockIsReferenced "TSourceBlock2D.Destroy: This source block is referenced and cannot
  // be deleted" while a placement uses the block. Whoever frees a source block asks this first.
  void CheckCanFree() const;

  // Set for blocks that came from a block library.
  bool IsLibraryBlock = false;

 protected:
  void AssignFrom(const TGraphicObject& source) override;

 private:
  TBlockName name_{};
  int refCount_ = 0;
};

// Whether a drawing of the object leaves it out: a group or source block too large to draw, or a
// placement of one.
bool TooLargeToDraw(const TObject2D& object);

// Removes the iterator's current object, a source block, from its list: refused with
// CheckCanFree's error (the block stays) while placements use it.
void RemoveSourceBlock(TExclusiveGraphicObjIterator& sourceBlocks);

// A placement of a source block.
class TBlock2D : public TObject2D {
 public:
  explicit TBlock2D(int32_t id) : TObject2D(id) {}
  // Takes a reference to `source`.
  TBlock2D(int32_t id, TSourceBlock2D& source, const TPoint2D& insertionPoint = Point2D(0, 0));
  // After TObject2D's fields: the 13-byte name of its source block, the 24-byte insertion point.
  // No source block until UpdateReference.
  TBlock2D(platform::ByteReader& stream, const std::string& versionTag);
  // Gives back its reference.
  ~TBlock2D() override;

  std::string ClassName() const override { return "TBlock2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TBlock2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;
  // The source block's extents through the model transform; unchanged without a source block.
  void UpdateExtension() override;
  // What its source block draws; 1 without one.
  int64_t DrawnObjects() const override { return source_ ? source_->DrawnObjects() : 1; }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  void DrawControlPoints(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip,
                         int width) override;
  // PICK_NOOBJECT without a source block; PICK_ONOBJECT at the insertion point; else the source
  // block's answer.
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;

  // Takes the first source block of the iterator whose name field equals the stored one, with a
  // reference; none found raises ECADListObjNotFound "TBlock2D.UpdateReference: Source block not
  // found" and the block keeps no source block.
  void UpdateReference(TGraphicObjIterator& sourceBlocks);
  void UpdateReference(const SourceBlockIndex& sourceBlocks);

  TSourceBlock2D* SourceBlock() const { return source_; }
  const TBlockName& SourceName() const { return sourceName_; }
  TPoint2D InsertionPoint = Point2D(0, 0);

 protected:
  void AssignFrom(const TGraphicObject& source) override;

 private:
  void SetSource(TSourceBlock2D* source);

  TSourceBlock2D* source_ = nullptr;
  TBlockName sourceName_{};
};

}  // namespace cad
