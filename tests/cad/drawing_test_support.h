// Shared by the drawing tests: a viewport that counts what the drawing asks of it, and short ways to
// make lines and blocks and to run the drawing's streams.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "cad/drawing.h"
#include "cad/primitives2d.h"
#include "entity_test_support.h"

namespace cad {

class FakeViewport : public TKQViewportLink {
 public:
  void Repaint() override { ++repaints; }
  void Refresh() override { ++refreshes; }
  platform::Rect ClientRect() const override { return {0, 0, 40, 30}; }
  TDecorativeCanvas& OffScreenCanvas() override { return decorative; }
  void DrawObject(TGraphicObject&, TDecorativeCanvas& c, const TRect2D& clip) override {
    drawn += &c == &decorative && clip == Rect2D(0, 0, 40, 30);
  }
  void CopyBufferToScreen(const platform::Rect&, bool firePaint) override { copies += firePaint; }
  void DrawingDestroyed(TKQCmp&) override { ++destroyed; }

  platform::Canvas canvas{40, 30};
  TDecorativeCanvas decorative{canvas};
  int repaints = 0, refreshes = 0, drawn = 0, copies = 0, destroyed = 0;
};

inline std::unique_ptr<TLine2D> Line(double x1, double y1, double x2, double y2) {
  return std::make_unique<TLine2D>(-1, Point2D(x1, y1), Point2D(x2, y2));
}

inline TSourceBlock2D* AddBlock(TKQCmp2D& drawing, const std::string& name) {
  return drawing.AddSourceBlock(-1, std::make_unique<TSourceBlock2D>(-1, name));
}

inline platform::Bytes SaveObjects(TKQCmp2D& drawing) {
  platform::ByteWriter w;
  drawing.SaveObjects(w);
  return w.Take();
}

inline void LoadObjects(TKQCmp2D& drawing, const platform::Bytes& bytes) {
  platform::ByteReader r(bytes);
  drawing.LoadObjects(r, "KQ-002");
}

inline void LoadLibrary(TKQCmp2D& drawing, const platform::Bytes& bytes) {
  platform::MemoryStream stream(bytes);
  drawing.LoadLibrary(stream);
}

// A block library file of these blocks.
inline platform::Bytes LibraryOf(std::initializer_list<TSourceBlock2D*> blocks) {
  platform::ByteWriter w;
  w.Write("KQ-002", 6);
  w.U8(2);
  w.I32(int32_t(blocks.size()));
  for (TSourceBlock2D* block : blocks) KQSysWriteObject(w, *block);
  return w.Take();
}

class DrawingTestBase : public EntitiesTest {
 protected:
  // The texts of the message boxes shown so far.
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (const auto& m : dialogs.messages) texts.push_back(m.text);
    return texts;
  }
};

}  // namespace cad
