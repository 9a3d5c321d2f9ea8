// The DXF writer: group-code/value pairs as text (TDXFWrite), and a 2D drawing written as a DXF file
// of version "AC1009" (TDXF2DExport): header, line-type and layer tables, blocks and entities.
//
// Saving a drawing (the save command's DXF type):
//   cad::TDXF2DExport dxf(fileName, &drawing);   // FileError when the file cannot be made
//   dxf.WriteDXF();
//   dxf.Finish();                                // "EOF"; WriteError when the file refused bytes
// A writer dropped without Finish leaves a file without "EOF", which no reader takes for complete.
//
// Numbers never depend on the locale: reals "%.6f" and integers "%6d" always with '.'.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "cad/geometry.h"
#include "platform/canvas.h"

namespace cad {

class TKQCmp2D;
class TLayer;
class TGraphicObject;
class TSourceBlock2D;

// The standard DXF colour-index palette (entry 0 black, 1 red ... 7 white, 8 and 9 greys, then the
// hue ramps and six greys), as red, green and blue.
struct TDXFRGB {
  uint8_t R = 0;
  uint8_t G = 0;
  uint8_t B = 0;
  bool operator==(const TDXFRGB&) const = default;
};
const std::array<TDXFRGB, 256>& DXFColorPalette();

// The DXF colour number of a layer: its pen colour red 1, yellow 2, lime 3, aqua 4, blue 5,
// fuchsia 6, grey 8, silver 9, anything else 7; negated when the layer is switched off.
int DXFLayerColor(const TLayer& layer);

// Section kinds of WriteStartSection.
enum TDXFSection : int { kDXFHeader = 0, kDXFTables = 1, kDXFBlocks = 2, kDXFEntities = 3 };

class TDXFWrite {
 public:
  // Opens the file for writing, created or emptied; FileError when it cannot. Errors name the file
  // `shownName` (the file a save replaces with this one, a temporary), or `fileName` when it is
  // empty, and say why.
  explicit TDXFWrite(const std::string& fileName, const std::string& shownName = "");
  // A writer without a file that keeps nothing but a fingerprint of what it was given, for finding
  // out what a drawing would write.
  TDXFWrite();
  // Closes the file; never raises (see Finish).
  ~TDXFWrite();
  TDXFWrite(const TDXFWrite&) = delete;
  TDXFWrite& operator=(const TDXFWrite&) = delete;

  // One pair: the code "%3d", CR LF, the value by the code's kind, CR LF. Codes 0-9 and 999-1009 take
  // text (at most 255 characters; control characters written as "^" and the character + 64, a
  // caret as "^ ", so a value stays on its line); 10-59, 140-147, 210-239 and 1010-1059 reals
  // "%.6f"; 60-79, 170-175 and 1060-1079 integers "%6d"; any other code an empty line. A value of
  // the other kind is converted (a text that is no number raises FormatError).
  void WriteGroup(int16_t code, std::string_view text);
  void WriteGroup(int16_t code, const char* text) { WriteGroup(code, std::string_view(text)); }
  void WriteGroup(int16_t code, double value);
  void WriteGroup(int16_t code, int64_t value);
  void WriteGroup(int16_t code, int value) { WriteGroup(code, int64_t(value)); }
  // 0 "SECTION", 2 "HEADER", "TABLES", "BLOCKS" or "ENTITIES".
  void WriteStartSection(int kind);
  // 0 "ENDSEC".
  void WriteEndSection();
  // Empties the file and starts again.
  void Rewrite();
  // Hands every byte to the file and closes it; WriteError "Cannot write file "<name>" (why)" when
  // any write failed (a full disc), so a cut file is never taken for saved.
  void Finish();

  const std::string& FileName() const { return fileName_; }
  // The writer without a file: a 64-bit hash of every byte written since it was made or rewritten.
  uint64_t Digest();

 private:
  void Open();
  void Pair(int16_t code, std::string_view value);
  void Flush();
  // The first error that made a write fail.
  void Failed(int error);
  [[noreturn]] void Raise(bool opening) const;

  std::string fileName_;
  std::string shownName_;
  int error_ = 0;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
  bool discard_ = false;
  uint64_t digest_ = 0;
};

class TDXF2DExport {
 public:
  // FileError when the file cannot be made. The drawing is not owned; none writes nothing. Errors
  // name `shownName` when it is given (see TDXFWrite).
  TDXF2DExport(const std::string& fileName, TKQCmp2D* drawing, const std::string& shownName = "");
  ~TDXF2DExport();
  TDXF2DExport(const TDXF2DExport&) = delete;
  TDXF2DExport& operator=(const TDXF2DExport&) = delete;

  // Empties the file, marks the used layers (those of the objects to be saved and of the blocks
  // written) and writes the header, the tables, the blocks (each source block the objects place,
  // directly or through other blocks, as a BLOCK with its objects, so that every INSERT names a
  // defined block; none when nothing is placed) and the entities (every object to be saved through
  // the entity writer; groups give their children).
  void WriteDXF();
  // 0 "EOF", then the writer's Finish.
  void Finish();
  // Whether the drawing's file would hold an entity: a drawing of nothing but the picture (and
  // platform-font texts) has none. Writes no file.
  static bool HasEntity(TKQCmp2D& drawing);
  // A hash of the whole file WriteDXF and Finish would write of the drawing now: equal fingerprints
  // mean the file written then holds what the drawing holds now. Writes no file.
  static uint64_t Fingerprint(TKQCmp2D& drawing);

  TDXFWrite& Writer() { return *writer_; }

  // The entity writer, tested in this order (each writes 0 with the entity name and 8 with the
  // layer name; points in drawing coordinates after the object's transform and `outer`, Z 0):
  // point POINT; line LINE; arc ARC (counter-clockwise, start and end exchanged for a clockwise
  // arc); circle CIRCLE; frame POLYLINE (closed) of its four corners; other curves POLYLINE of their
  // profile; polylines and polygons POLYLINE (a polygon closed); vector text TEXT; block INSERT.
  // Groups write their children. Other classes (platform-font text, bitmaps) have no entity.
  void WriteEntity(TGraphicObject& object, const TTransform2D& outer);

 private:
  TDXF2DExport(std::unique_ptr<TDXFWrite> writer, TKQCmp2D* drawing);
  // The source blocks the objects to be saved place, through every level, in the drawing's order.
  void FindPlacedBlocks();
  void FindPlacedIn(TGraphicObject& object, std::unordered_set<const TGraphicObject*>& found);
  void MarkUsedLayers();
  void MarkUsed(TGraphicObject& object);
  void WriteHeader();
  void WriteTables();
  void WriteBlocks();
  void WriteEntities();
  void WriteEntityStart(const char* name, const TGraphicObject& object);
  void WritePoint(int16_t xCode, const TPoint2D& p);
  void WritePolyline(const TGraphicObject& object, const TPoint2D* points, int count, const TTransform2D& m,
                     bool closed);
  const std::string& LayerName(const TGraphicObject& object) const;

  std::unique_ptr<TDXFWrite> writer_;
  TKQCmp2D* drawing_;
  std::array<bool, 256> used_{};
  std::vector<TSourceBlock2D*> placed_;
  int64_t entities_ = 0;  // entities begun since the writer was made
};

}  // namespace cad
