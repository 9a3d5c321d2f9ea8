#include "cad/blocks2d.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "cad/cad_exceptions.h"
#include "cad/geometry_drawing.h"
#include "cad/points_set.h"

namespace cad {

namespace {

// How deep groups are nested in the drawing or reading going on in this thread: a source block
// placed (through blocks) inside itself, or a stream of containers within containers, must not
// run the stack out.
thread_local int g_nesting = 0;
// Placements entered since the outermost level began. The counts keep files from drawing too much;
// this stops what they cannot see: blocks the program placed inside themselves, whose counts grow
// with every update, or a block changed after the blocks placing it were counted.
thread_local int64_t g_placements = 0;

class NestingLevel {
 public:
  NestingLevel() {
    if (g_nesting++ == 0) g_placements = 0;
    ++g_placements;
  }
  ~NestingLevel() { --g_nesting; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;
  bool TooDeep() const { return g_nesting > TContainer2D::kMaxNesting; }
  // Too deep, or past the placements one drawing, measuring or pick may enter.
  bool OverBudget() const { return TooDeep() || g_placements > TContainer2D::kMaxDrawnObjects; }
};

// Counts are never negative; a sum past the largest count stays there.
int64_t SaturatingAdd(int64_t a, int64_t b) {
  return a > std::numeric_limits<int64_t>::max() - b ? std::numeric_limits<int64_t>::max() : a + b;
}

// Files may hold an oversized length or leftovers after the name; names are compared over the whole
// field, so both are made plain: the length at most 12, every byte after the name zero.
TBlockName ReadBlockName(platform::ByteReader& stream) {
  TBlockName name;
  stream.Read(name.data(), name.size());
  name[0] = std::min<uint8_t>(name[0], uint8_t(name.size() - 1));
  std::fill(name.begin() + 1 + name[0], name.end(), uint8_t(0));
  return name;
}

}  // namespace

TBlockName MakeBlockName(const std::string& name) {
  TBlockName field{};
  const size_t n = std::min(name.size(), field.size() - 1);
  field[0] = uint8_t(n);
  std::memcpy(field.data() + 1, name.data(), n);
  return field;
}

std::string BlockNameText(const TBlockName& name) {
  const size_t n = std::min<size_t>(name[0], name.size() - 1);
  return std::string(reinterpret_cast<const char*>(name.data()) + 1, n);
}

// --- TContainer2D -----------------------------------------------------------------------------

TContainer2D::TContainer2D(platform::ByteReader& stream, const std::string& versionTag) : TObject2D(stream, versionTag) {
  NestingLevel level;
  if (level.TooDeep()) throw ECADFileNotValid("TContainer2D.CreateFromStream: Groups nested too deeply");
  // Every child record takes at least its class id.
  const int32_t count = ReadCheckedCount(stream, 2, "TContainer2D.CreateFromStream", "Child");
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<TObject2D> child = KQSysReadObject2D(stream, versionTag);
    child->UpdateAndNotify();
    AddChild(std::move(child));
  }
  UpdateAndNotify();
}

void TContainer2D::AddChild(std::unique_ptr<TObject2D> child) {
  objects_.Add(child.get());
  child.release();
}

void TContainer2D::SaveToStream(platform::ByteWriter& stream) {
  TObject2D::SaveToStream(stream);
  auto it = objects_.GetIterator();
  stream.I32(it->Count());
  for (TGraphicObject* child = it->First(); child; child = it->Next()) KQSysWriteObject(stream, *child);
}

void TContainer2D::UpdateExtension() {
  auto it = objects_.GetIterator();
  bool any = false;
  TRect2D box = Rect2D(0, 0, 0, 0);
  int64_t drawn = 1;
  for (TGraphicObject* child = it->First(); child; child = it->Next()) {
    const auto* object = dynamic_cast<const TObject2D*>(child);
    if (!object) continue;
    box = any ? UnionRect2D(box, object->Extents()) : object->Extents();
    any = true;
    drawn = SaturatingAdd(drawn, object->DrawnObjects());
  }
  extents_ = any ? ModelBoundingBox(box) : Rect2D(0, 0, 0, 0);
  drawnObjects_ = drawn;
}

void TContainer2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) {
  if (TooLargeToDraw()) return;
  platform::Canvas& c = canvas.Canvas();
  const platform::Pen pen = c.GetPen();
  const platform::Brush brush = c.GetBrush();
  const TTransform2D m = HasTransform() ? MultiplyTransform2D(GetModelTransform(), view) : view;
  auto it = objects_.GetIterator();
  for (TGraphicObject* child = it->First(); child; child = it->Next()) {
    auto* object = dynamic_cast<TObject2D*>(child);
    if (!object || !object->Visible) continue;
    c.SetPen(pen);
    c.SetBrush(brush);
    object->Draw(m, canvas, clip, mode);
  }
}

void TContainer2D::DrawControlPoints(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip,
                                     int width) {
  if (objects_.Count() > 0) TObject2D::DrawControlPoints(view, canvas, clip, width);
}

int TContainer2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  int code = TObject2D::PickTest(p, aperture, distance);
  if (code != PICK_INBBOX) return code;
  double best = 2 * aperture;
  if (TooLargeToDraw()) {
    distance = best;
    return code;
  }
  const TPoint2D local = HasTransform() ? ToObjectPoint(p) : p;
  auto it = objects_.GetIterator();
  for (TGraphicObject* child = it->First(); child; child = it->Next()) {
    auto* object = dynamic_cast<TObject2D*>(child);
    if (!object) continue;
    double d;
    if (object->PickTest(local, aperture, d) >= PICK_INOBJECT && d < best) {
      code = object->ID;
      best = d;
    }
  }
  distance = best;
  return code;
}

bool TooLargeToDraw(const TObject2D& object) {
  if (const auto* group = dynamic_cast<const TContainer2D*>(&object)) return group->TooLargeToDraw();
  const auto* block = dynamic_cast<const TBlock2D*>(&object);
  return block && block->SourceBlock() && block->SourceBlock()->TooLargeToDraw();
}

SourceBlockIndex IndexSourceBlocks(TGraphicObjIterator& sourceBlocks) {
  SourceBlockIndex index;
  for (TGraphicObject* o = sourceBlocks.First(); o; o = sourceBlocks.Next())
    if (auto* block = dynamic_cast<TSourceBlock2D*>(o)) index.emplace(block->Name(), block);
  return index;
}

void TContainer2D::ResolveBlockReferences(TGraphicObjIterator& sourceBlocks) {
  ResolveBlockReferences(IndexSourceBlocks(sourceBlocks));
}

void TContainer2D::ResolveBlockReferences(const SourceBlockIndex& sourceBlocks) {
  auto it = objects_.GetIterator();
  for (TGraphicObject* child = it->First(); child; child = it->Next()) {
    if (auto* group = dynamic_cast<TContainer2D*>(child))
      group->ResolveBlockReferences(sourceBlocks);
    else if (auto* block = dynamic_cast<TBlock2D*>(child))
      block->UpdateReference(sourceBlocks);
  }
  it.reset();
  UpdateAndNotify();
}

void TContainer2D::AssignFrom(const TGraphicObject& source) {
  TObject2D::AssignFrom(source);
  const auto* other = dynamic_cast<const TContainer2D*>(&source);
  if (!other) return;
  std::unique_ptr<TGraphicObjIterator> it;
  try {
    it = const_cast<TGraphicObjList&>(other->objects_).GetIterator();
  } catch (const ECADListBlocked&) {
    throw ECADListBlocked("TContainer2D.Assign: The list has an exclusive iterator.");
  }
  objects_.Clear();
  for (TGraphicObject* child = it->First(); child; child = it->Next()) {
    const auto* object = dynamic_cast<const TObject2D*>(child);
    if (!object) continue;
    std::unique_ptr<TObject2D> copy = object->NewInstance(object->ID);
    copy->Assign(*object);
    AddChild(std::move(copy));
  }
}

// --- TSourceBlock2D ---------------------------------------------------------------------------

TSourceBlock2D::TSourceBlock2D(int32_t id, const std::string& name) : TContainer2D(id), name_(MakeBlockName(name)) {}

TSourceBlock2D::TSourceBlock2D(platform::ByteReader& stream, const std::string& versionTag)
    : TContainer2D(stream, versionTag) {
  ToBeSaved = stream.U8() != 0;
  IsLibraryBlock = stream.U8() != 0;
  name_ = ReadBlockName(stream);
}

void TSourceBlock2D::SaveToStream(platform::ByteWriter& stream) {
  TContainer2D::SaveToStream(stream);
  stream.U8(ToBeSaved ? 1 : 0);
  stream.U8(IsLibraryBlock ? 1 : 0);
  stream.Write(name_.data(), name_.size());
}

void TSourceBlock2D::CheckCanFree() const {
  if (!CanFree())
    throw ECADSourceBlockIsReferenced(
        "TSourceBlock2D.Destroy: This source block is referenced and cannot be deleted");
}

void TSourceBlock2D::AssignFrom(const TGraphicObject& source) {
  TContainer2D::AssignFrom(source);
  if (dynamic_cast<const TSourceBlock2D*>(&source)) ToBeSaved = source.ToBeSaved;
}

void RemoveSourceBlock(TExclusiveGraphicObjIterator& sourceBlocks) {
  if (const auto* block = dynamic_cast<const TSourceBlock2D*>(sourceBlocks.Current())) block->CheckCanFree();
  sourceBlocks.RemoveCurrent();
}

// --- TBlock2D ---------------------------------------------------------------------------------

TBlock2D::TBlock2D(int32_t id, TSourceBlock2D& source, const TPoint2D& insertionPoint)
    : TObject2D(id), InsertionPoint(insertionPoint), sourceName_(source.Name()) {
  SetSource(&source);
  UpdateAndNotify();
}

TBlock2D::TBlock2D(platform::ByteReader& stream, const std::string& versionTag) : TObject2D(stream, versionTag) {
  sourceName_ = ReadBlockName(stream);
  InsertionPoint = ReadPoint2D(stream, "TBlock2D.CreateFromStream");
}

TBlock2D::~TBlock2D() { SetSource(nullptr); }

void TBlock2D::SetSource(TSourceBlock2D* source) {
  if (source == source_) return;
  if (source_) source_->ReleaseReference();
  source_ = source;
  if (source_) source_->AddReference();
}

void TBlock2D::SaveToStream(platform::ByteWriter& stream) {
  TObject2D::SaveToStream(stream);
  stream.Write(sourceName_.data(), sourceName_.size());
  WritePoint2D(stream, InsertionPoint);
}

void TBlock2D::UpdateReference(TGraphicObjIterator& sourceBlocks) { UpdateReference(IndexSourceBlocks(sourceBlocks)); }

void TBlock2D::UpdateReference(const SourceBlockIndex& sourceBlocks) {
  if (const auto found = sourceBlocks.find(sourceName_); found != sourceBlocks.end()) {
    SetSource(found->second);
    UpdateAndNotify();
    return;
  }
  SetSource(nullptr);
  throw ECADListObjNotFound("TBlock2D.UpdateReference: Source block not found");
}

void TBlock2D::UpdateExtension() {
  if (!source_) return;
  NestingLevel level;
  if (level.OverBudget()) return;
  source_->UpdateAndNotify();
  extents_ = ModelBoundingBox(source_->Extents());
}

void TBlock2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) {
  NestingLevel level;
  if (!source_ || level.OverBudget()) return;
  source_->Draw(HasTransform() ? MultiplyTransform2D(GetModelTransform(), view) : view, canvas, clip, mode);
}

void TBlock2D::DrawControlPoints(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int width) {
  TObject2D::DrawControlPoints(view, canvas, clip, width);
  const platform::Point s = Point2DToPoint(TransformPoint2D(TransformPoint2D(InsertionPoint, GetModelTransform()), view));
  DrawControlPointMarker(canvas, s.X, s.Y, width);
}

int TBlock2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  distance = kNoDistance;
  NestingLevel level;
  if (!source_ || level.OverBudget()) return PICK_NOOBJECT;
  const int code = TObject2D::PickTest(p, aperture, distance);
  if (code != PICK_INBBOX) return code;
  double d;
  if (IsPointNearPoint2D(p, TransformPoint2D(InsertionPoint, GetModelTransform()), aperture, d)) {
    distance = d;
    return PICK_ONOBJECT;
  }
  return source_->PickTest(HasTransform() ? ToObjectPoint(p) : p, aperture, distance);
}

void TBlock2D::AssignFrom(const TGraphicObject& source) {
  TObject2D::AssignFrom(source);
  const auto* other = dynamic_cast<const TBlock2D*>(&source);
  if (!other) return;
  SetSource(other->source_);
  sourceName_ = other->sourceName_;
  InsertionPoint = other->InsertionPoint;
}

}  // namespace cad
