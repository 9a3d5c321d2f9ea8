#include "cad/dxf_write.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <numbers>
#include <system_error>

#include "cad/blocks2d.h"
#include "cad/curves2d.h"
#include "cad/drawing.h"
#include "cad/vect_text2d.h"
#include "platform/atomic_file.h"
#include "platform/numbers.h"
#include "platform/stream.h"
#include "platform/texts.h"

namespace cad {

namespace {

enum class GroupKind { Text, Real, Integer, Other };

GroupKind KindOf(int code) {
  if ((code >= 0 && code <= 9) || (code >= 999 && code <= 1009)) return GroupKind::Text;
  if ((code >= 10 && code <= 59) || (code >= 140 && code <= 147) || (code >= 210 && code <= 239) ||
      (code >= 1010 && code <= 1059))
    return GroupKind::Real;
  if ((code >= 60 && code <= 79) || (code >= 170 && code <= 175) || (code >= 1060 && code <= 1079))
    return GroupKind::Integer;
  return GroupKind::Other;
}

// printf's "%<width>d", without a locale.
std::string PaddedInt(int64_t value, size_t width) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  std::string text(digits, end);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

std::string Real(double value) {
  // printf writes a NaN or an infinity as a word, which no DXF reader takes for a number.
  return platform::FormatFixed(std::isfinite(value) ? value : 0.0, 6);
}

int64_t ClampedInt(double value) {
  if (!std::isfinite(value)) return 0;
  return platform::Round(std::clamp(value, -2147483648.0, 2147483647.0));
}

constexpr size_t kMaxText = 255;

// A value holds no line break: control characters become "^" and the character + 64, a caret
// "^ ". Cut to 255 characters, never inside a "^" pair or a UTF-8 character.
std::string TextValue(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const size_t before = out.size();
    if (c < 0x20) {
      out += '^';
      out += char(c + 64);
    } else if (c == '^') {
      out += "^ ";
    } else {
      out += ch;
    }
    if (out.size() > kMaxText) {
      out.resize(before);
      while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
      if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0) out.pop_back();
      break;
    }
  }
  return out;
}

std::string ShortestNumber(double value) {
  char digits[40];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::string(digits, end);
}

double Degrees(double radians) { return RadToDeg(NormalAngle2D(radians)); }

TPoint2D Through(const TPoint2D& p, const TTransform2D& m) { return CartesianPoint2D(TransformPoint2D(p, m)); }

double RowLength(const TTransform2D& m, int row) { return std::hypot(m.M[row][0], m.M[row][1]); }

constexpr size_t kFlushAt = 1 << 16;

constexpr uint64_t kDigestStart = 14695981039346656037ull;

// FNV-1a over the bytes, continuing from `hash`.
uint64_t AddToDigest(uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

}  // namespace

// --- Palette and colours ----------------------------------------------------------------------

const std::array<TDXFRGB, 256>& DXFColorPalette() {
  static const std::array<TDXFRGB, 256> palette = [] {
    std::array<TDXFRGB, 256> p{};
    const TDXFRGB first[10] = {{0, 0, 0},   {255, 0, 0},   {255, 255, 0},   {0, 255, 0},   {0, 255, 255},
                               {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {65, 65, 65}, {128, 128, 128}};
    for (int i = 0; i < 10; ++i) p[size_t(i)] = first[i];
    // Hue ramps: 24 hues 15 degrees apart, each at five brightnesses, full and half saturated.
    const double brightness[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
    for (int i = 10; i < 250; ++i) {
      const double v = 255 * brightness[(i % 10) / 2];
      const double s = i % 2 ? 0.5 : 1.0;
      const double h = ((i - 10) / 10) * 15 / 60.0;
      const double c = v * s, m = v - c, x = c * (1 - std::abs(std::fmod(h, 2.0) - 1));
      double r = 0, g = 0, b = 0;
      switch (int(h)) {
        case 0: r = c, g = x; break;
        case 1: r = x, g = c; break;
        case 2: g = c, b = x; break;
        case 3: g = x, b = c; break;
        case 4: r = x, b = c; break;
        default: r = c, b = x;
      }
      p[size_t(i)] = {uint8_t(r + m), uint8_t(g + m), uint8_t(b + m)};
    }
    const uint8_t greys[6] = {51, 91, 132, 173, 214, 255};
    for (int i = 0; i < 6; ++i) p[size_t(250 + i)] = {greys[i], greys[i], greys[i]};
    return p;
  }();
  return palette;
}

int DXFLayerColor(const TLayer& layer) {
  int number;
  switch (layer.Pen().Color) {
    case platform::clRed: number = 1; break;
    case platform::clYellow: number = 2; break;
    case platform::clLime: number = 3; break;
    case platform::clAqua: number = 4; break;
    case platform::clBlue: number = 5; break;
    case platform::clFuchsia: number = 6; break;
    case platform::clGray: number = 8; break;
    case platform::clSilver: number = 9; break;
    default: number = 7;
  }
  return layer.Visible ? number : -number;
}

// --- TDXFWrite --------------------------------------------------------------------------------

TDXFWrite::TDXFWrite(const std::string& fileName, const std::string& shownName)
    : fileName_(fileName), shownName_(shownName.empty() ? fileName : shownName) {
  Open();
}

TDXFWrite::TDXFWrite() : discard_(true), digest_(kDigestStart) {}

TDXFWrite::~TDXFWrite() {
  if (file_) std::fclose(file_);
}

void TDXFWrite::Open() {
  if (discard_) {
    buffer_.clear();
    digest_ = kDigestStart;
    return;
  }
  if (file_) std::fclose(file_);
  failed_ = false;
  error_ = 0;
  file_ = std::fopen(fileName_.c_str(), "wb");
  if (!file_) {
    Failed(errno);
    Raise(true);
  }
  buffer_.clear();
}

void TDXFWrite::Failed(int error) {
  if (!failed_) error_ = error ? error : EIO;
  failed_ = true;
}

void TDXFWrite::Raise(bool opening) const {
  // As every save says it: the file the user named, and why.
  const std::string text = platform::CannotWriteText(shownName_, error_);
  if (opening) throw platform::FileError(text);
  throw platform::WriteError(text);
}

void TDXFWrite::Rewrite() { Open(); }

void TDXFWrite::Flush() {
  if (discard_) {
    digest_ = AddToDigest(digest_, buffer_);
    buffer_.clear();
  }
  if (buffer_.empty()) return;
  errno = 0;
  if (!file_) Failed(EBADF);
  else if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) Failed(errno);
  buffer_.clear();
}

void TDXFWrite::Pair(int16_t code, std::string_view value) {
  char digits[8];
  const auto end = std::to_chars(digits, digits + sizeof digits, code).ptr;
  const size_t length = size_t(end - digits);
  if (length < 3) buffer_.append(3 - length, ' ');
  buffer_.append(digits, length);
  buffer_ += "\r\n";
  buffer_ += value;
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushAt) Flush();
}

void TDXFWrite::WriteGroup(int16_t code, std::string_view text) {
  switch (KindOf(code)) {
    case GroupKind::Text: Pair(code, TextValue(text)); break;
    case GroupKind::Real: Pair(code, Real(platform::StrToFloat(text, "DXF real"))); break;
    case GroupKind::Integer: Pair(code, PaddedInt(platform::StrToInt(text, "DXF integer"), 6)); break;
    case GroupKind::Other: Pair(code, ""); break;
  }
}

void TDXFWrite::WriteGroup(int16_t code, double value) {
  switch (KindOf(code)) {
    case GroupKind::Text: Pair(code, ShortestNumber(value)); break;
    case GroupKind::Real: Pair(code, Real(value)); break;
    case GroupKind::Integer: Pair(code, PaddedInt(ClampedInt(value), 6)); break;
    case GroupKind::Other: Pair(code, ""); break;
  }
}

void TDXFWrite::WriteGroup(int16_t code, int64_t value) {
  switch (KindOf(code)) {
    case GroupKind::Text: Pair(code, PaddedInt(value, 0)); break;
    case GroupKind::Real: Pair(code, Real(double(value))); break;
    case GroupKind::Integer: Pair(code, PaddedInt(value, 6)); break;
    case GroupKind::Other: Pair(code, ""); break;
  }
}

void TDXFWrite::WriteStartSection(int kind) {
  static const char* const names[] = {"HEADER", "TABLES", "BLOCKS", "ENTITIES"};
  WriteGroup(0, "SECTION");
  WriteGroup(2, kind >= 0 && kind < 4 ? names[kind] : "");
}

void TDXFWrite::WriteEndSection() { WriteGroup(0, "ENDSEC"); }

uint64_t TDXFWrite::Digest() {
  Flush();
  return digest_;
}

void TDXFWrite::Finish() {
  Flush();
  if (discard_) return;
  if (!file_) {
    Failed(EBADF);
    Raise(false);
  }
  errno = 0;
  if (std::fflush(file_) != 0 || std::ferror(file_)) Failed(errno);
  errno = 0;
  if (std::fclose(file_) != 0) Failed(errno);
  file_ = nullptr;
  if (failed_) Raise(false);
}

// --- TDXF2DExport -----------------------------------------------------------------------------

TDXF2DExport::TDXF2DExport(const std::string& fileName, TKQCmp2D* drawing, const std::string& shownName)
    : writer_(std::make_unique<TDXFWrite>(fileName, shownName)), drawing_(drawing) {}

TDXF2DExport::TDXF2DExport(std::unique_ptr<TDXFWrite> writer, TKQCmp2D* drawing)
    : writer_(std::move(writer)), drawing_(drawing) {}

TDXF2DExport::~TDXF2DExport() = default;

void TDXF2DExport::WriteDXF() {
  if (!drawing_) return;
  writer_->Rewrite();
  FindPlacedBlocks();
  MarkUsedLayers();
  WriteHeader();
  WriteTables();
  WriteBlocks();
  WriteEntities();
}

void TDXF2DExport::Finish() {
  writer_->WriteGroup(0, "EOF");
  writer_->Finish();
}

bool TDXF2DExport::HasEntity(TKQCmp2D& drawing) {
  // The entity writer itself decides, into a writer that keeps nothing; the first entity settles it.
  TDXF2DExport dry(std::make_unique<TDXFWrite>(), &drawing);
  auto it = drawing.ObjectsIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next()) {
    if (o->ToBeSaved) dry.WriteEntity(*o, IdentityTransform2D);
    if (dry.entities_ > 0) return true;
  }
  return false;
}

uint64_t TDXF2DExport::Fingerprint(TKQCmp2D& drawing) {
  TDXF2DExport dry(std::make_unique<TDXFWrite>(), &drawing);
  dry.WriteDXF();
  dry.Finish();
  return dry.writer_->Digest();
}

void TDXF2DExport::FindPlacedIn(TGraphicObject& object, std::unordered_set<const TGraphicObject*>& found) {
  if (auto* placement = As<TBlock2D>(object)) {
    TSourceBlock2D* source = placement->SourceBlock();
    // Each block once, however often it is placed: blocks that place one another twice over would
    // otherwise be walked an exponential number of times.
    if (!source || !found.insert(source).second) return;
    // WriteBlocks writes every object of a block.
    auto it = source->Objects().GetIterator();
    for (TGraphicObject* child = it->First(); child; child = it->Next()) FindPlacedIn(*child, found);
  } else if (auto* group = As<TContainer2D>(object)) {
    auto it = group->Objects().GetIterator();
    for (TGraphicObject* child = it->First(); child; child = it->Next())
      if (child->ToBeSaved) FindPlacedIn(*child, found);
  }
}

void TDXF2DExport::FindPlacedBlocks() {
  std::unordered_set<const TGraphicObject*> found;
  {
    auto it = drawing_->ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next())
      if (o->ToBeSaved) FindPlacedIn(*o, found);
  }
  placed_.clear();
  auto it = drawing_->SourceBlocksIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next())
    if (auto* block = As<TSourceBlock2D>(*o); block && found.count(block)) placed_.push_back(block);
}

void TDXF2DExport::MarkUsed(TGraphicObject& object) {
  used_[object.Layer] = true;
  if (auto* group = As<TContainer2D>(object)) {
    auto it = group->Objects().GetIterator();
    for (TGraphicObject* child = it->First(); child; child = it->Next())
      if (child->ToBeSaved) MarkUsed(*child);
  }
}

void TDXF2DExport::MarkUsedLayers() {
  used_.fill(false);
  {
    auto it = drawing_->ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next())
      if (o->ToBeSaved) MarkUsed(*o);
  }
  // The objects of the blocks written need their layers' records too.
  for (TSourceBlock2D* block : placed_) MarkUsed(*block);
}

void TDXF2DExport::WriteHeader() {
  TDXFWrite& w = *writer_;
  const TRect2D extent = ReorderRect2D(drawing_->GetExtension(Rect2D(0, 0, 0, 0)));
  w.WriteStartSection(kDXFHeader);
  w.WriteGroup(9, "$ACADVER");
  w.WriteGroup(1, "AC1009");
  w.WriteGroup(9, "$ANGDIR");
  w.WriteGroup(70, 0);
  w.WriteGroup(9, "$EXTMAX");
  w.WriteGroup(10, extent.Second.X);
  w.WriteGroup(20, extent.Second.Y);
  w.WriteGroup(30, 0.0);
  w.WriteGroup(9, "$EXTMIN");
  w.WriteGroup(10, extent.First.X);
  w.WriteGroup(20, extent.First.Y);
  w.WriteGroup(30, 0.0);
  w.WriteGroup(9, "$CECOLOR");
  w.WriteGroup(62, 256);
  w.WriteGroup(9, "$CELTYPE");
  w.WriteGroup(6, "BYLAYER");
  w.WriteEndSection();
}

void TDXF2DExport::WriteTables() {
  TDXFWrite& w = *writer_;
  w.WriteStartSection(kDXFTables);
  w.WriteGroup(0, "TABLE");
  w.WriteGroup(2, "LTYPE");
  w.WriteGroup(70, 1);
  w.WriteGroup(0, "LTYPE");
  w.WriteGroup(2, "CONTINUOUS");
  w.WriteGroup(70, 64);
  w.WriteGroup(3, "Solid line");
  w.WriteGroup(72, 65);
  w.WriteGroup(73, 0);
  w.WriteGroup(40, 0.0);
  w.WriteGroup(0, "ENDTAB");
  w.WriteGroup(0, "TABLE");
  w.WriteGroup(2, "LAYER");
  w.WriteGroup(70, 256);
  for (int i = 0; i < TLayers::Count(); ++i) {
    if (!used_[size_t(i)]) continue;
    const TLayer& layer = drawing_->Layers().Layer(uint8_t(i));
    w.WriteGroup(0, "LAYER");
    w.WriteGroup(2, layer.Name());
    w.WriteGroup(70, 64);
    w.WriteGroup(62, DXFLayerColor(layer));
    w.WriteGroup(6, "CONTINUOUS");
  }
  w.WriteGroup(0, "ENDTAB");
  w.WriteEndSection();
}

void TDXF2DExport::WriteBlocks() {
  TDXFWrite& w = *writer_;
  w.WriteStartSection(kDXFBlocks);
  // Only the blocks the drawing places: the block library beside the program is no part of it.
  for (TSourceBlock2D* block : placed_) {
    // A placement draws its source block through its own transform: the block's base is the origin.
    w.WriteGroup(0, "BLOCK");
    w.WriteGroup(8, LayerName(*block));
    w.WriteGroup(2, block->NameText());
    w.WriteGroup(70, 0);
    WritePoint(10, Point2D(0, 0));
    w.WriteGroup(3, block->NameText());
    auto children = block->Objects().GetIterator();
    for (TGraphicObject* child = children->First(); child; child = children->Next())
      WriteEntity(*child, block->GetModelTransform());
    w.WriteGroup(0, "ENDBLK");
    w.WriteGroup(8, LayerName(*block));
  }
  w.WriteEndSection();
}

void TDXF2DExport::WriteEntities() {
  writer_->WriteStartSection(kDXFEntities);
  auto it = drawing_->ObjectsIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next())
    if (o->ToBeSaved) WriteEntity(*o, IdentityTransform2D);
  writer_->WriteEndSection();
}

const std::string& TDXF2DExport::LayerName(const TGraphicObject& object) const {
  return drawing_->Layers().Layer(object.Layer).Name();
}

void TDXF2DExport::WriteEntityStart(const char* name, const TGraphicObject& object) {
  ++entities_;
  writer_->WriteGroup(0, name);
  writer_->WriteGroup(8, LayerName(object));
}

void TDXF2DExport::WritePoint(int16_t xCode, const TPoint2D& p) {
  writer_->WriteGroup(xCode, p.X);
  writer_->WriteGroup(int16_t(xCode + 10), p.Y);
  writer_->WriteGroup(int16_t(xCode + 20), 0.0);
}

void TDXF2DExport::WritePolyline(const TGraphicObject& object, const TPoint2D* points, int count,
                                 const TTransform2D& m, bool closed) {
  if (count == 0) return;
  TDXFWrite& w = *writer_;
  WriteEntityStart("POLYLINE", object);
  w.WriteGroup(66, 1);
  // A closed outline whose points do not come back to the start needs the closed flag, or its last
  // side is lost.
  if (closed && !IsSamePoint2D(points[0], points[count - 1])) w.WriteGroup(70, 1);
  for (int i = 0; i < count; ++i) {
    const TPoint2D p = Through(points[i], m);
    w.WriteGroup(0, "VERTEX");
    w.WriteGroup(8, LayerName(object));
    w.WriteGroup(10, p.X);
    w.WriteGroup(20, p.Y);
  }
  w.WriteGroup(0, "SEQEND");
}

void TDXF2DExport::WriteEntity(TGraphicObject& object, const TTransform2D& outer) {
  auto* object2D = As<TObject2D>(object);
  if (!object2D) return;
  TDXFWrite& w = *writer_;
  const TTransform2D m = MultiplyTransform2D(object2D->GetModelTransform(), outer);
  const auto* primitive = As<TPrimitive2D>(object);
  const int count = primitive ? primitive->Points().Count() : 0;
  const TPoint2D* pts = primitive ? primitive->Points().Points() : nullptr;

  if (As<TPunto2D>(object)) {
    if (count < 1) return;
    WriteEntityStart("POINT", object);
    WritePoint(10, Through(pts[0], m));
  } else if (As<TLine2D>(object)) {
    if (count < 2) return;
    WriteEntityStart("LINE", object);
    WritePoint(10, Through(pts[0], m));
    WritePoint(11, Through(pts[1], m));
  } else if (auto* arc = As<TArco2D>(object)) {
    TArcPoints a;
    if (!arc->GetArcPoints(a)) return;
    if (IsSameFloat(a.Sweep, kTwoPi)) {
      // A whole turn (a circle the corner commands made an arc): an ARC of equal angles is empty
      // to other programs.
      const TPoint2D centre = Through(a.Centre, outer);
      WriteEntityStart("CIRCLE", object);
      WritePoint(10, centre);
      w.WriteGroup(40, CartesianDistance2D(centre, Through(a.StartPoint, outer)));
      return;
    }
    // DXF arcs run counter-clockwise from the start to the end angle.
    TPoint2D from = a.Clockwise ? a.EndPoint : a.StartPoint, to = a.Clockwise ? a.StartPoint : a.EndPoint;
    TPoint2D centre = a.Centre;
    from = Through(from, outer);
    to = Through(to, outer);
    centre = Through(centre, outer);
    // A mirroring group turns the arc round.
    if (DetTransform2D(outer) < 0) std::swap(from, to);
    WriteEntityStart("ARC", object);
    WritePoint(10, centre);
    w.WriteGroup(40, CartesianDistance2D(centre, from));
    w.WriteGroup(50, Degrees(std::atan2(from.Y - centre.Y, from.X - centre.X)));
    w.WriteGroup(51, Degrees(std::atan2(to.Y - centre.Y, to.X - centre.X)));
  } else if (As<TCerchio2D>(object)) {
    if (count < 2) return;
    const TPoint2D centre = Through(pts[0], m);
    WriteEntityStart("CIRCLE", object);
    WritePoint(10, centre);
    w.WriteGroup(40, CartesianDistance2D(centre, Through(pts[1], m)));
  } else if (As<TFrame2D>(object)) {
    if (count < 2) return;
    const TPoint2D p = CartesianPoint2D(pts[0]), q = CartesianPoint2D(pts[1]);
    const TPoint2D corners[] = {p, Point2D(p.X, q.Y), q, Point2D(q.X, p.Y)};
    WritePolyline(object, corners, 4, m, true);
  } else if (auto* curve = As<TCurve2D>(object)) {
    TProfileUse use(*curve);
    if (!curve->HasProfile()) return;
    const TPointsSet2D& profile = curve->ProfilePoints();
    WritePolyline(object, profile.Points(), profile.Count(), m, false);
  } else if (auto* outline = As<TOutline2D>(object)) {
    TProfileUse use(*outline);
    const TPointsSet2D& profile = outline->ProfilePoints();
    WritePolyline(object, profile.Points(), profile.Count(), m, outline->IsClosed());
  } else if (auto* text = As<TJustifiedVectText2D>(object)) {
    if (count < 2) return;
    const TRect2D box = ReorderRect2D({CartesianPoint2D(pts[0]), CartesianPoint2D(pts[1])});
    // The first line's base line; without its font, one text height below the box's top.
    TPoint2D origin = Point2D(box.First.X, box.Second.Y - text->Height);
    text->TextOrigin(origin);
    const double baseY = origin.Y;
    WriteEntityStart("TEXT", object);
    w.WriteGroup(1, text->Text());
    w.WriteGroup(40, text->Height * RowLength(m, 1));
    WritePoint(10, Through(origin, m));
    w.WriteGroup(50, Degrees(std::atan2(m.M[0][1], m.M[0][0])));
    if (text->HJustification == TJustifiedVectText2D::kRight) {
      WritePoint(11, Through(Point2D(box.Second.X, baseY), m));
      w.WriteGroup(72, 2);
    } else if (text->HJustification == TJustifiedVectText2D::kHCentre) {
      WritePoint(11, Through(Point2D((box.First.X + box.Second.X) / 2, baseY), m));
      w.WriteGroup(72, 1);
    }
  } else if (auto* block = As<TBlock2D>(object)) {
    // The block is defined with its base at the origin (WriteBlocks): the placement puts the origin
    // where its transform takes it, scaled and turned as the transform does.
    const double sign = DetTransform2D(m) < 0 ? -1 : 1;
    WriteEntityStart("INSERT", object);
    w.WriteGroup(2, BlockNameText(block->SourceName()));
    WritePoint(10, Through(Point2D(0, 0), m));
    w.WriteGroup(41, sign * RowLength(m, 0));
    w.WriteGroup(42, RowLength(m, 1));
    const double rotation = Degrees(std::atan2(sign * m.M[0][1], sign * m.M[0][0]));
    if (rotation != 0) w.WriteGroup(50, rotation);
  } else if (auto* group = As<TContainer2D>(object)) {
    auto it = group->Objects().GetIterator();
    for (TGraphicObject* child = it->First(); child; child = it->Next())
      if (child->ToBeSaved) WriteEntity(*child, m);
  }
}

}  // namespace cad
