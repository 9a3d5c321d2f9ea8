// The 256 layers of a drawing: each carries the pen, brush and dash pattern its objects are drawn
// with, and whether they are shown, picked and saved.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "cad/decorative_pen.h"
#include "platform/binary_stream.h"
#include "platform/canvas.h"

namespace cad {

// The version tag of the drawing streams this program writes.
inline constexpr const char* kCurrentVersionTag = "KQ-002";

class TLayer {
 public:
  static constexpr size_t kMaxNameLength = 31;

  explicit TLayer(uint8_t number);
  virtual ~TLayer() = default;

  const platform::Pen& Pen() const { return pen_; }
  void SetPen(const platform::Pen& pen);
  const platform::Brush& Brush() const { return brush_; }
  void SetBrush(const platform::Brush& brush);
  TDecorativePen& DecorativePen() { return decorativePen_; }
  const TDecorativePen& DecorativePen() const { return decorativePen_; }

  bool Active = true;
  bool Visible = true;
  bool Opaque = false;
  bool Streamable = true;
  bool Modified = false;
  // The node of the entity information tree showing this layer (a platform::TreeItemId; 0 for none).
  uint64_t TreeNode = 0;

  uint8_t Number() const { return number_; }
  const std::string& Name() const { return name_; }
  // Cut to 31 characters; a different name marks the layer modified.
  void SetName(const std::string& name);

  // Gives the canvas this layer's style; false, leaving the canvas alone, when the layer is hidden.
  bool ApplyToCanvas(TDecorativeCanvas& canvas) const;

  virtual void SaveToStream(platform::ByteWriter& stream) const;
  // Reads the layout of `versionTag` (older tags lack some fields); the layer is unchanged when the
  // stream is short or holds an impossible value.
  virtual void LoadFromStream(platform::ByteReader& stream, const std::string& versionTag);

 private:
  platform::Pen pen_;
  platform::Brush brush_;
  TDecorativePen decorativePen_;
  uint8_t number_;
  std::string name_;
};

class TLayers {
 public:
  static constexpr int kCount = 256;
  TLayers();

  TLayer& Layer(uint8_t number) { return *layers_[number]; }
  const TLayer& Layer(uint8_t number) const { return *layers_[number]; }
  bool ApplyLayer(TDecorativeCanvas& canvas, uint8_t number) const { return Layer(number).ApplyToCanvas(canvas); }
  static constexpr int Count() { return kCount; }

 private:
  std::array<std::unique_ptr<TLayer>, kCount> layers_;
};

}  // namespace cad
