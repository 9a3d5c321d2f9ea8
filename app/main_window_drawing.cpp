// What the main window asks of its 2D drawing LocalCad: the block library, the picture as bitmap
// entity 0, moving and clearing everything, the layers, the picked "Z no cut" point and the DXF file.
#include <memory>

#include "app/main_window.h"
#include "cad/bitmap2d.h"
#include "cad/dxf_write.h"
#include "cad/entity_tree.h"
#include "cad/primitives2d.h"
#include "lang/lang.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace app {

void TfrmMain::Cad2DLoadBlockLibrary(const std::string& path) {
  platform::FileStream stream(path, platform::fmOpenRead | platform::fmShareDenyWrite);
  try {
    LocalCad_.LoadLibrary(stream);
  } catch (const platform::Exception& error) {
    // The loader's own words ("Stream read error") do not say which file is at fault.
    throw platform::FileError(lang::LangFormatOr("1033", "The block library \"%1\" is damaged: %2", {path, error.Message()}));
  }
}

int TfrmMain::Cad2DObjectCount() const { return LocalCad_.NumObjects(); }

void TfrmMain::Cad2DClearObjects() { LocalCad_.ClearObjects(); }

cad::TLayers& TfrmMain::Cad2DLayers() { return LocalCad_.Layers(); }

std::optional<std::pair<double, double>> TfrmMain::Cad2DTakePoint(int id) {
  std::optional<std::pair<double, double>> taken;
  auto objects = LocalCad_.ObjectsExclusiveIterator();
  cad::TGraphicObject* object = objects->First();
  while (object) {
    auto* point = dynamic_cast<cad::TPunto2D*>(object);
    if (object->ID != id || !point) {
      object = objects->Next();
      continue;
    }
    if (point->Points().Count() > 0) {
      const cad::TPoint2D p =
          cad::CartesianPoint2D(cad::TransformPoint2D(point->Points().Points()[0], point->GetModelTransform()));
      taken = std::pair{p.X, p.Y};
    }
    if (LocalCad_.TreeGeo) cad::RemoveTreeItem(*LocalCad_.TreeGeo, object->TreeNode);
    // The follower becomes current (at the tail the predecessor, which is looked at again harmlessly).
    objects->RemoveCurrent();
    object = objects->Current();
  }
  return taken;
}

void TfrmMain::Cad2DSetCurrentLayer(int layer) {
  currentLayer_ = layer;
  LocalCad_.CurrentLayer = static_cast<uint8_t>(layer);
}

void TfrmMain::Cad2DSetDefaultLayersColor(platform::TColor color) {
  settings_.defLayers = color;
  LocalCad_.SetDefaultLayersColor(color);
}

void TfrmMain::Cad2DPlaceImage(const platform::Bitmap& bitmap, const machining::ReliefModel& box) {
  LocalCad_.ClearObjects();
  const uint8_t remembered = LocalCad_.CurrentLayer;
  LocalCad_.CurrentLayer = 0;
  const cad::TPoint2D corner = cad::Point2D(box.originX, box.originY);
  const cad::TPoint2D opposite = cad::Point2D(box.originX + box.width, box.originY + box.height);
  LocalCad_.AddObject(0, std::make_unique<cad::TBitmap2D>(0, bitmap, corner, opposite));
  LocalCad_.CurrentLayer = remembered;
}

void TfrmMain::Cad2DTranslateAll(double dx, double dy) {
  const int32_t every[] = {-1};
  LocalCad_.TransformObjects(every, cad::Translate2D(dx, dy));
}

bool TfrmMain::Cad2DHasDxfEntity() { return cad::TDXF2DExport::HasEntity(LocalCad_); }

uint64_t TfrmMain::Cad2DDxfFingerprint() { return cad::TDXF2DExport::Fingerprint(LocalCad_); }

bool TfrmMain::Cad2DHasDrawnObjects() {
  auto objects = LocalCad_.ObjectsIterator();
  for (cad::TGraphicObject* o = objects->First(); o; o = objects->Next()) {
    if (cad::Is<cad::TBitmap2D>(*o)) continue;
    if (o->ID == kZNoCutPointId && cad::Is<cad::TPunto2D>(*o)) continue;
    return true;
  }
  return false;
}

void TfrmMain::Cad2DWriteDxf(const std::string& path) {
  platform::WriteThroughTemporary(path, [this, &path](const std::string& temporary) {
    // Its errors name the file the user chose, not the hidden temporary.
    cad::TDXF2DExport dxf(temporary, &LocalCad_, path);
    dxf.WriteDXF();
    dxf.Finish();
  });
}

}  // namespace app
