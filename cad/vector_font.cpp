#include "cad/vector_font.h"

#include "cad/cad_exceptions.h"

namespace cad {

TVectChar::TVectChar(int polylines) : polylines_(polylines) {
  for (int i = 0; i < polylines_.Count(); ++i) polylines_.SetObject(i, new TPointsSet2D(0));
}

TPointsSet2D& TVectChar::Polyline(int i) const {
  TPointsSet2D* polyline = polylines_.GetObject(i);
  if (!polyline) throw ECADOutOfBound("TIndexedObjectList.GetObject: Index out of bounds.");
  return *polyline;
}

void TVectChar::UpdateExtension() {
  extents_ = Rect2D(0, 0, 0, 0);
  for (int i = 0; i < Count(); ++i) {
    const TPointsSet2D& polyline = Polyline(i);
    if (polyline.Count() > 0) extents_ = UnionRect2D(extents_, polyline.Extension());
  }
}

void TVectFont::SetChar(uint8_t code, std::unique_ptr<TVectChar> glyph) {
  TVectChar* old = chars_.GetObject(code);
  if (old == glyph.get()) return;
  chars_.SetObject(code, glyph.release());
  delete old;
}

void TVectFontRegister::RegisterFont(int index, std::unique_ptr<TVectFont> font) {
  if (index < 0 || index >= kSlots) throw ECADOutOfBound("KQSysRegisterFont: Out of bound registration index");
  fonts_[size_t(index)] = std::move(font);
}

int TVectFontRegister::FindFontIndex(const TVectFont* font) const {
  for (int i = 0; font && i < kSlots; ++i)
    if (fonts_[size_t(i)].get() == font) return i;
  throw ECADObjClassNotFound("KQSysFindFontIndex: Font not found");
}

TVectFont* TVectFontRegister::FindFontByIndex(int index) const {
  if (index >= 0 && index < kSlots && fonts_[size_t(index)]) return fonts_[size_t(index)].get();
  if (defaultFont_) return defaultFont_;
  throw ECADObjClassNotFound("KQSysFindFontByIndex: Font not registered");
}

void TVectFontRegister::Clear() {
  for (auto& font : fonts_) font.reset();
  defaultFont_ = nullptr;
}

void TVectFontRegister::MakeDefaultGlyph() {
  defaultGlyph_ = std::make_unique<TVectChar>(1);
  defaultGlyph_->Polyline(0).Add(Point2D(0, 0));
  defaultGlyph_->Polyline(0).Add(Point2D(0, 0.8));
  defaultGlyph_->UpdateExtension();
}

TVectFontRegister& KQSysFontRegister() {
  static TVectFontRegister instance;
  return instance;
}

int KQSysFindFontIndex(const TVectFont* font) { return KQSysFontRegister().FindFontIndex(font); }
TVectFont* KQSysFindFontByIndex(int index) { return KQSysFontRegister().FindFontByIndex(index); }

}  // namespace cad
