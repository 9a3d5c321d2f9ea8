// Vector fonts: glyphs made of polylines in glyph units (the nominal character height is 1), fonts
// of up to 256 glyphs indexed by character code, and the program-wide register of 513 fonts with
// the default glyph drawn for a missing character.
#pragma once

#include <array>
#include <memory>

#include "cad/indexed_object_list.h"
#include "cad/points_set.h"

namespace cad {

class TVectChar {
 public:
  // That many empty polylines.
  explicit TVectChar(int polylines = 0);

  // ECADOutOfBound for an index outside 0..Count() - 1.
  TPointsSet2D& Polyline(int i) const;
  int Count() const { return polylines_.Count(); }
  // The union of (0, 0)-(0, 0) and every polyline's extents: the origin is always in the box.
  void UpdateExtension();
  const TRect2D& Extents() const { return extents_; }

 private:
  TIndexedObjectList<TPointsSet2D> polylines_;
  TRect2D extents_ = Rect2D(0, 0, 0, 0);
};

class TVectFont {
 public:
  static constexpr int kChars = 256;
  TVectFont() : chars_(kChars) {}

  // The glyph of a character code, or none when the font lacks it.
  TVectChar* Char(uint8_t code) const { return chars_.GetObject(code); }
  // Takes the glyph (none empties the slot), freeing the one it replaces.
  void SetChar(uint8_t code, std::unique_ptr<TVectChar> glyph);

 private:
  TIndexedObjectList<TVectChar> chars_;
};

class TVectFontRegister {
 public:
  static constexpr int kSlots = 513;

  // Takes the font into a slot (0..512; ECADOutOfBound outside), freeing one that was there.
  void RegisterFont(int index, std::unique_ptr<TVectFont> font);
  // The first slot holding the font; ECADObjClassNotFound "KQSysFindFontIndex: Font not found".
  int FindFontIndex(const TVectFont* font) const;
  // The font of the slot, else the default font, else ECADObjClassNotFound
  // "KQSysFindFontByIndex: Font not registered" (also for an index outside the slots).
  TVectFont* FindFontByIndex(int index) const;
  // The font used for an empty slot (not owned; none to clear it).
  void SetDefaultFont(TVectFont* font) { defaultFont_ = font; }
  // Frees every registered font and clears the default font.
  void Clear();

  // One polyline from (0, 0) to (0, 0.8); none outside the library's start and end.
  const TVectChar* DefaultGlyph() const { return defaultGlyph_.get(); }
  void MakeDefaultGlyph();
  void FreeDefaultGlyph() { defaultGlyph_.reset(); }

 private:
  std::array<std::unique_ptr<TVectFont>, kSlots> fonts_;
  TVectFont* defaultFont_ = nullptr;
  std::unique_ptr<TVectChar> defaultGlyph_;
};

// The program's one register.
TVectFontRegister& KQSysFontRegister();
int KQSysFindFontIndex(const TVectFont* font);
TVectFont* KQSysFindFontByIndex(int index);

}  // namespace cad
