#include "gif/optimizer.h"

#include <algorithm>
#include <numeric>

#include "gif/checked_image.h"
#include "gif/color_reduction.h"
#include "gif/gif_image.h"
#include "gif/octree.h"

namespace gif {

namespace {

TGIFColor ColorAt(const TGIFColorMap& map, int index) {
  return index < map.Count() ? map.Colors()[size_t(index)] : TGIFColor{};
}

// The frame's own colours, never dithered.
QImage FrameColors(const TGIFSubImage& frame) {
  QImage rgb = AllocImage(frame.Width(), frame.Height(), QImage::Format_RGB888);
  const TGIFColorMap& map = frame.ActiveColorMap();
  for (int y = 0; y < frame.Height(); ++y) {
    uchar* out = rgb.scanLine(y);
    const uint8_t* in = frame.Data() + size_t(y) * size_t(frame.Width());
    for (int x = 0; x < frame.Width(); ++x) {
      const TGIFColor c = ColorAt(map, in[x]);
      out[3 * x] = c.Red;
      out[3 * x + 1] = c.Green;
      out[3 * x + 2] = c.Blue;
    }
  }
  return rgb;
}

bool UsesIndex(const TGIFSubImage& frame, int index) {
  const uint8_t* p = frame.Data();
  return std::find(p, p + frame.DataSize(), uint8_t(index)) != p + frame.DataSize();
}

// The map a frame draws with, to change it.
TGIFColorMap& ActiveMap(TGIFImage& image, TGIFSubImage& frame) {
  if (!frame.ColorMap().Empty()) return frame.ColorMap();
  return image.Header().ColorMap();
}

TGIFGraphicControlExtension& EnsureControl(TGIFSubImage& frame) {
  if (!frame.GraphicControlExtension())
    frame.Extensions().Insert(0, std::make_unique<TGIFGraphicControlExtension>(&frame));
  return *frame.GraphicControlExtension();
}

bool Contains(const platform::Rect& outer, const platform::Rect& inner) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right && inner.Bottom <= outer.Bottom;
}

// Sorts `map` by how often `users` use each entry, most used first, and drops the unused entries at
// the end. Transparent indices and the background index count as used, so they keep an entry.
void SortColorMap(TGIFColorMap& map, const std::vector<TGIFSubImage*>& users, TGIFHeader* header) {
  const int count = map.Count();
  if (count == 0) return;
  std::vector<int64_t> uses(size_t(count), 0);
  for (TGIFSubImage* frame : users) {
    const uint8_t* p = frame->Data();
    for (size_t i = 0; i < frame->DataSize(); ++i)
      if (p[i] < count) ++uses[p[i]];
    if (frame->Transparent() && frame->TransparentIndex() < count) ++uses[size_t(frame->TransparentIndex())];
  }
  if (header && header->BackgroundColorIndex() < count) ++uses[header->BackgroundColorIndex()];
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return uses[size_t(a)] > uses[size_t(b)]; });
  std::vector<int> remap(256);
  std::iota(remap.begin(), remap.end(), 0);  // indices past the map stay past it (and black)
  std::vector<TGIFColor> colors;
  for (int position = 0; position < count; ++position) {
    const int old = order[size_t(position)];
    remap[size_t(old)] = position;
    if (uses[size_t(old)] > 0) colors.push_back(map.Colors()[size_t(old)]);
  }
  for (TGIFSubImage* frame : users) {
    uint8_t* p = frame->Data();
    for (size_t i = 0; i < frame->DataSize(); ++i) p[i] = uint8_t(remap[p[i]]);
    frame->Changed();
  }
  const int newCount = int(colors.size());
  map.Assign(colors);
  map.SetOptimized(true);
  for (TGIFSubImage* frame : users)
    if (frame->GraphicControlExtension() && frame->TransparentIndex() < count) {
      const int index = remap[size_t(frame->TransparentIndex())];
      frame->GraphicControlExtension()->SetTransparentColorIndex(index < newCount ? index : 0);
    }
  if (header) {
    const int index = header->BackgroundColorIndex() < count ? remap[header->BackgroundColorIndex()] : 0;
    header->SetBackgroundColorIndex(uint8_t(index < newCount ? index : 0));
  }
}

void OptimizeColorMaps(TGIFImage& image) {
  std::vector<TGIFSubImage*> globalUsers;
  for (const auto& frame : image.Images()) {
    if (frame->ColorMap().Empty())
      globalUsers.push_back(frame.get());
    else
      SortColorMap(frame->ColorMap(), {frame.get()}, nullptr);
  }
  if (!image.Images().Empty()) SortColorMap(image.Header().ColorMap(), globalUsers, &image.Header());
}

void CleanupTransparency(TGIFImage& image) {
  TGIFImageList& frames = image.Images();
  for (const auto& frame : frames)
    if (frame->Transparent() && !UsesIndex(*frame, frame->TransparentIndex()))
      frame->GraphicControlExtension()->SetTransparent(false);
  for (int i = 0; i + 1 < frames.Count(); ++i) {
    TGIFSubImage& frame = *frames[i];
    const TGIFSubImage& next = *frames[i + 1];
    const int disposal = frame.Disposal();
    // Restoring is invisible when the next frame paints over the whole area with opaque pixels and
    // does not restore the state before itself.
    if ((disposal == dmBackground || disposal == dmPrevious) && !next.Transparent() && !next.Empty() &&
        next.Disposal() != dmPrevious && Contains(next.BoundsRect(), frame.BoundsRect()))
      frame.GraphicControlExtension()->SetDisposal(dmNone);
  }
}

// A transparent index for an opaque frame: a new map entry, or another frame's transparent index in
// the shared global map; never an index the frame's own pixels use. -1 when there is none.
int FindTransparentIndex(TGIFImage& image, TGIFSubImage& frame, bool& added) {
  added = false;
  TGIFColorMap& map = ActiveMap(image, frame);
  if (map.Count() < TGIFColorMap::kMaxColors && !UsesIndex(frame, map.Count())) {
    added = true;
    return map.Add(TGIFColor{});
  }
  if (frame.ColorMap().Empty())
    for (const auto& other : image.Images())
      if (other.get() != &frame && other->ColorMap().Empty() && other->Transparent() &&
          other->TransparentIndex() < map.Count() && !UsesIndex(frame, other->TransparentIndex()))
        return other->TransparentIndex();
  return -1;
}

void MergeFrames(TGIFImage& image) {
  TGIFImageList& frames = image.Images();
  for (int i = frames.Count() - 1; i >= 1; --i) {
    TGIFSubImage& frame = *frames[i];
    int j = i - 1;
    while (j >= 0 && frames[j]->Disposal() == dmPrevious) --j;
    if (j < 0 || frame.Empty()) continue;
    const TGIFSubImage& before = *frames[j];
    if (before.Disposal() == dmBackground || before.Empty()) continue;
    const platform::Rect overlap = platform::IntersectRect(frame.BoundsRect(), before.BoundsRect());
    if (overlap.IsEmpty()) continue;

    const bool wasTransparent = frame.Transparent();
    bool added = false;
    const int key = wasTransparent ? frame.TransparentIndex() : FindTransparentIndex(image, frame, added);
    if (key < 0) continue;
    const TGIFColorMap& map = frame.ActiveColorMap();
    const TGIFColorMap& beforeMap = before.ActiveColorMap();
    bool changed = false;
    for (int y = overlap.Top; y < overlap.Bottom; ++y)
      for (int x = overlap.Left; x < overlap.Right; ++x) {
        uint8_t& p = frame.Data()[size_t(y - frame.Top()) * size_t(frame.Width()) + size_t(x - frame.Left())];
        if (p == key) continue;
        const uint8_t q = before.Data()[size_t(y - before.Top()) * size_t(before.Width()) + size_t(x - before.Left())];
        if (before.Transparent() && q == before.TransparentIndex()) continue;
        if (ColorAt(map, p) == ColorAt(beforeMap, q)) {
          p = uint8_t(key);
          changed = true;
        }
      }
    if (!changed) {
      if (added) ActiveMap(image, frame).Delete(key);
      continue;
    }
    if (!wasTransparent) {
      TGIFGraphicControlExtension& control = EnsureControl(frame);
      control.SetTransparent(true);
      control.SetTransparentColorIndex(key);
    }
    frame.Changed();
  }
}

void CropFrames(TGIFImage& image) {
  TGIFImageList& frames = image.Images();
  for (int i = frames.Count() - 1; i >= 0; --i) {
    TGIFSubImage& frame = *frames[i];
    // Restoring to the background clears the whole frame area: cropping would shrink what is cleared.
    if (!frame.Transparent() || frame.Empty() || frame.Disposal() == dmBackground) continue;
    const uint8_t key = uint8_t(frame.TransparentIndex());
    int left = frame.Width(), right = -1, top = frame.Height(), bottom = -1;
    for (int y = 0; y < frame.Height(); ++y) {
      const uint8_t* row = frame.Data() + size_t(y) * size_t(frame.Width());
      for (int x = 0; x < frame.Width(); ++x)
        if (row[x] != key) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    }
    if (right >= 0) {
      frame.Crop({left, top, right + 1, bottom + 1});
      continue;
    }
    if (i == 0 || frames[i - 1]->Disposal() == dmBackground || frames[i - 1]->Disposal() == dmPrevious) {
      // Nothing before it can take its time, or the frame before is taken away when this one comes:
      // it stays, one transparent pixel.
      frame.Crop({0, 0, 1, 1});
      continue;
    }
    // A frame that shows nothing goes; the frame before shows on for its time, and its looping
    // extension moves to the frame that follows (or, for the last frame, the one before).
    TGIFSubImage& previous = *frames[i - 1];
    TGIFGraphicControlExtension& control = EnsureControl(previous);
    control.SetDelay(uint16_t(std::min(65535, control.Delay() + frame.Delay())));
    TGIFSubImage& heir = i + 1 < frames.Count() ? *frames[i + 1] : previous;
    for (const auto& extension : frame.Extensions())
      if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) {
        auto moved = std::make_unique<TGIFAppExtNSLoop>(&heir);
        moved->Loops = loop->Loops;
        moved->BufferSize = loop->BufferSize;
        heir.Extensions().Insert(0, std::move(moved));
      }
    frames.Delete(i);
  }
}

void ReplaceWithNearestOther(std::vector<uint8_t>& pixels, const std::vector<TGIFColor>& palette, int freed) {
  int best = -1, bestDistance = 1 << 30;
  for (int k = 0; k < int(palette.size()); ++k) {
    if (k == freed) continue;
    const int dr = palette[size_t(k)].Red - palette[size_t(freed)].Red;
    const int dg = palette[size_t(k)].Green - palette[size_t(freed)].Green;
    const int db = palette[size_t(k)].Blue - palette[size_t(freed)].Blue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = k;
    }
  }
  for (uint8_t& p : pixels)
    if (p == freed) p = uint8_t(best);
}

}  // namespace

void ReduceImageColors(TGIFImage& image, int reduction, int ditherMode, int bits) {
  if (reduction == rmNone) return;
  if (reduction == rmPalette || reduction < rmNone || reduction > rmPalette) throw GIFException(texts::kInvalidReduction);
  if (reduction == rmQuantize && (bits < 1 || bits > 8)) throw GIFException(texts::kInvalidReduction);
  MakeDitherer(ditherMode, 1, TNetscapeColorLookup());  // refuses an unknown dither mode before any change
  image.PaintStop();
  TGIFImageList& frames = image.Images();

  std::vector<TGIFColor> palette;
  if (reduction == rmQuantize || reduction == rmQuantizeWindows) {
    TColorQuantizer quantizer(reduction == rmQuantize ? 1 << bits : 236);
    for (const auto& frame : frames) {
      const TGIFColorMap& map = frame->ActiveColorMap();
      for (size_t i = 0; i < frame->DataSize(); ++i) {
        if (frame->Transparent() && frame->Data()[i] == frame->TransparentIndex()) continue;
        const TGIFColor c = ColorAt(map, frame->Data()[i]);
        quantizer.AddColor(c.Red, c.Green, c.Blue);
      }
    }
    palette = quantizer.Palette();
    if (reduction == rmQuantizeWindows) {
      std::vector<TGIFColor> system = Windows20Palette();
      palette.insert(palette.begin(), system.begin(), system.begin() + 10);
      palette.insert(palette.end(), system.begin() + 10, system.end());
    }
  } else {
    palette = MakeColorLookup(QImage(), reduction, bits, nullptr)->Palette();
  }
  const bool fixedLookup = reduction == rmMonochrome || reduction == rmGrayScale || reduction == rmNetscape;

  bool anyTransparent = false;
  for (const auto& frame : frames) anyTransparent = anyTransparent || frame->Transparent();
  const int sharedKey = anyTransparent && palette.size() < 256 ? int(palette.size()) : -1;
  std::vector<TGIFColor> finalPalette = palette;
  if (sharedKey >= 0) finalPalette.push_back(TGIFColor{});

  struct Result {
    std::vector<uint8_t> pixels;
    int key = -1;
  };
  std::vector<Result> results;
  for (const auto& frame : frames) {
    Result result;
    if (!frame->Empty()) {
      const QImage rgb = FrameColors(*frame);
      TReducedImage reduced = ReduceColors(rgb, fixedLookup ? reduction : rmPalette, bits, ditherMode, &palette);
      result.pixels = std::move(reduced.Pixels);
      if (frame->Transparent()) {
        int key = sharedKey;
        if (key < 0) {
          // The palette is full: take an index this frame does not use, or free its least used one.
          std::vector<int64_t> uses(256, 0);
          for (uint8_t p : result.pixels) ++uses[p];
          key = int(std::min_element(uses.begin(), uses.begin() + long(palette.size())) - uses.begin());
          if (uses[size_t(key)] > 0) ReplaceWithNearestOther(result.pixels, palette, key);
        }
        const uint8_t old = uint8_t(frame->TransparentIndex());
        for (size_t i = 0; i < result.pixels.size(); ++i)
          if (frame->Data()[i] == old) result.pixels[i] = uint8_t(key);
        result.key = key;
      }
    }
    results.push_back(std::move(result));
  }
  image.Header().ColorMap().Assign(finalPalette);
  for (int i = 0; i < frames.Count(); ++i) {
    TGIFSubImage& frame = *frames[i];
    frame.ColorMap().Clear();
    if (!results[size_t(i)].pixels.empty())
      std::copy(results[size_t(i)].pixels.begin(), results[size_t(i)].pixels.end(), frame.Data());
    if (results[size_t(i)].key >= 0) frame.GraphicControlExtension()->SetTransparentColorIndex(results[size_t(i)].key);
    frame.Changed();
  }
}

void Optimize(TGIFImage& image, int options, int reduction, int ditherMode, int bits) {
  if (options & ooReduceColors) {
    // Refused before anything changes.
    if (reduction == rmPalette || reduction < rmNone || reduction > rmPalette ||
        (reduction == rmQuantize && (bits < 1 || bits > 8)))
      throw GIFException(texts::kInvalidReduction);
  }
  image.PaintStop();
  image.Progress(TProgressStage::Starting, 0, texts::kOptimizing);
  if (options & ooColorMap) OptimizeColorMaps(image);
  image.Progress(TProgressStage::Running, 20, texts::kOptimizing);
  if (options & ooCleanup) CleanupTransparency(image);
  image.Progress(TProgressStage::Running, 40, texts::kOptimizing);
  if (options & ooMerge) MergeFrames(image);
  image.Progress(TProgressStage::Running, 60, texts::kOptimizing);
  if (options & ooCrop) CropFrames(image);
  image.Progress(TProgressStage::Running, 80, texts::kOptimizing);
  if (options & ooReduceColors) ReduceImageColors(image, reduction, ditherMode, bits);
  image.Progress(TProgressStage::Ending, 100, texts::kOptimizing);
  image.NotifyChange();
}

}  // namespace gif
