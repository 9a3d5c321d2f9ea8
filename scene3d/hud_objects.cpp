#include "scene3d/hud_objects.h"

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/matrices.h"
#include "scene3d/scene_classes.h"
#include "scene3d/stage_buffer.h"
#include "scene3d/windows_font.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {

// Depth test off for the text, then as it was.
class DepthTestOff {
 public:
  explicit DepthTestOff(TGLStateCache& states) : states_(states), wasOn_(states.IsEnabled(stDepthTest)) {
    states_.DisableState(stDepthTest);
  }
  ~DepthTestOff() { states_.SetState(stDepthTest, wasOn_); }
  DepthTestOff(const DepthTestOff&) = delete;
  DepthTestOff& operator=(const DepthTestOff&) = delete;

 private:
  TGLStateCache& states_;
  bool wasOn_;
};

// Draws with the model matrix that takes an object's own units (pixels at 96 dpi, scaled, turned by
// `rotation` degrees) to the screen point (x, y) (pixels from the top-left at 96 dpi) at depth z,
// without depth test; the matrices and depth test as they were afterwards.
template <class Draw>
void DrawOnScreen(RenderContextInfo& rci, const TGLBaseSceneObject& object, float x, float y, float z, float rotation,
                  Draw draw) {
  const float w = float(rci.viewPortSizeX), h = float(rci.viewPortSizeY);
  const float s = float(rci.renderDPI > 0 ? rci.renderDPI : 96) / 96.0f;
  // Row vectors: the transformation applied first stands first. The object is scaled, turned, moved
  // to its pixel (y downwards from the top) and mapped onto the viewport's -1..1.
  TMatrix4f m = MatrixScaling({s * object.Scale().X(), s * object.Scale().Y(), 1});
  if (rotation != 0) m = MatrixProduct(m, MatrixRotationZ(rotation * DegToRadFactor));
  m = MatrixProduct(m, MatrixTranslation(TVector3f{s * x - w / 2, h / 2 - s * y, z}));
  m = MatrixProduct(m, MatrixScaling({2 / w, 2 / h, 1}));
  m = MatrixProduct(m, rci.buffer ? rci.buffer->BaseProjectionMatrix() : IdentityMatrix);

  TGLPipelineTransformation& pipeline = *rci.PipelineTransformation;
  pipeline.PushMatrices();
  try {
    pipeline.SetViewMatrix(IdentityMatrix);
    pipeline.SetModelMatrix(m);
    pipeline.SetProjectionMatrix(IdentityMatrix);
    DepthTestOff depth(*rci.GLStates);
    draw();
  } catch (...) {
    pipeline.PopMatrices();
    throw;
  }
  pipeline.PopMatrices();
}

}  // namespace

// --- Shared part --------------------------------------------------------------------------------------------

TGLFontTextObject::TGLFontTextObject(TComponent* owner)
    : TGLImmaterialSceneObject(owner), modulateColor_(std::make_unique<TGLColor>(this, clrWhite)) {}

TGLFontTextObject::~TGLFontTextObject() {
  if (bitmapFont_) bitmapFont_->RemoveUser(this);
}

void TGLFontTextObject::SetBitmapFont(TGLCustomBitmapFont* font) {
  if (font != bitmapFont_) {
    if (bitmapFont_) {
      bitmapFont_->RemoveUser(this);
      RemoveFreeNotification(bitmapFont_);
    }
    bitmapFont_ = font;
    if (bitmapFont_) {
      bitmapFont_->AddUser(this);
      FreeNotification(bitmapFont_);
      bitmapFont_->CoverCharacters(text_);
    }
  }
  StructureChanged();
}

void TGLFontTextObject::SetText(const std::string& text) {
  text_ = text;
  // The font learns of the text's characters now rather than while a frame is drawn.
  if (bitmapFont_) bitmapFont_->CoverCharacters(text_);
  StructureChanged();
}

void TGLFontTextObject::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  StructureChanged();
}

void TGLFontTextObject::SetLayout(TGLTextLayout layout) {
  layout_ = layout;
  StructureChanged();
}

void TGLFontTextObject::Notification(TComponent* component, TOperation operation) {
  // A freed font leaves the text drawing nothing.
  if (operation == opRemove && component == bitmapFont_) bitmapFont_ = nullptr;
  TGLImmaterialSceneObject::Notification(component, operation);
}

void TGLFontTextObject::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLFontTextObject*>(source)) {
    SetBitmapFont(from->bitmapFont_);
    text_ = from->text_;
    alignment_ = from->alignment_;
    layout_ = from->layout_;
    modulateColor_->Assign(from->modulateColor_.get());
  }
  TGLImmaterialSceneObject::Assign(source);
}

// --- Heads-up text ----------------------------------------------------------------------------------------------

TGLHUDText::TGLHUDText(TComponent* owner) : TGLFontTextObject(owner) {
  SetObjectStyle(uint8_t(ObjectStyle() | osDirectDraw | osNoVisibilityCulling));
}

void TGLHUDText::SetRotation(float degrees) {
  rotation_ = degrees;
  StructureChanged();
}

void TGLHUDText::RenderTextAt(RenderContextInfo& rci, float x, float y, float z) {
  if (!HasSomethingToDraw() || rci.viewPortSizeX <= 0 || rci.viewPortSizeY <= 0) return;
  rci.GLStates->SetPolygonMode(pmFill);
  DrawOnScreen(rci, *this, x, y, z, rotation_,
               [&] { BitmapFont()->DrawText(rci, Text(), Alignment(), Layout(), ModulateColor().GetColor()); });
}

void TGLHUDText::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) RenderTextAt(rci, Position().X(), Position().Y(), Position().Z());
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLHUDText::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLHUDText*>(source)) rotation_ = from->rotation_;
  TGLFontTextObject::Assign(source);
}

TGLResolutionIndependantHUDText::TGLResolutionIndependantHUDText(TComponent* owner) : TGLHUDText(owner) {
  Position().SetPointXYZ(0.5f, 0.5f, 0);
}

void TGLResolutionIndependantHUDText::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) {
    // Fractions of the viewport; RenderTextAt scales pixels by the dpi, so they are given unscaled.
    const float s = float(rci.renderDPI > 0 ? rci.renderDPI : 96) / 96.0f;
    RenderTextAt(rci, Position().X() * float(rci.viewPortSizeX) / s, Position().Y() * float(rci.viewPortSizeY) / s,
                 Position().Z());
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLAbsoluteHUDText::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) {
    const TVector4i viewport{0, 0, rci.viewPortSizeX, rci.viewPortSizeY};
    TVector4f window{};
    const TVector4f point = AbsolutePosition();
    if (ProjectToWindow({point.x, point.y, point.z}, rci.PipelineTransformation->ViewProjectionMatrix(), viewport,
                        window) &&
        window.w > 0) {
      const float s = float(rci.renderDPI > 0 ? rci.renderDPI : 96) / 96.0f;
      RenderTextAt(rci, window.x / s, (float(rci.viewPortSizeY) - window.y) / s, 0);
    }
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

// --- Flat text ---------------------------------------------------------------------------------------------------

TGLFlatText::TGLFlatText(TComponent* owner) : TGLFontTextObject(owner) { SetObjectStyle(osDirectDraw); }

void TGLFlatText::SetOptions(uint8_t options) {
  if (StoreChanged(options_, options)) StructureChanged();
}

bool TGLFlatText::IsBlended() const { return ModulateColor().Alpha() != 1; }

void TGLFlatText::BuildList(RenderContextInfo& rci) {
  if (!HasSomethingToDraw()) return;
  TGLStateCache& states = *rci.GLStates;
  states.SetPolygonMode(pmFill);
  const bool wasCulling = states.IsEnabled(stCullFace);
  if (options_ & ftoTwoSided) states.DisableState(stCullFace);
  BitmapFont()->DrawText(rci, Text(), Alignment(), Layout(), ModulateColor().GetColor());
  states.SetState(stCullFace, wasCulling);
}

void TGLFlatText::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLFlatText*>(source)) options_ = from->options_;
  TGLFontTextObject::Assign(source);
}

// --- Heads-up sprite ------------------------------------------------------------------------------------------

TGLHUDSprite::TGLHUDSprite(TComponent* owner) : TGLSprite(owner) {
  SetWidth(16);
  SetHeight(16);
}

void TGLHUDSprite::SetXTiles(int32_t tiles) {
  if (StoreChanged(xTiles_, tiles)) StructureChanged();
}

void TGLHUDSprite::SetYTiles(int32_t tiles) {
  if (StoreChanged(yTiles_, tiles)) StructureChanged();
}

void TGLHUDSprite::BuildList(RenderContextInfo& rci) {
  if (rci.viewPortSizeX <= 0 || rci.viewPortSizeY <= 0) return;
  DrawOnScreen(rci, *this, Position().X(), Position().Y(), Position().Z(), Rotation(), [&] {
    const float w = Width() * 0.5f, h = Height() * 0.5f, s = float(xTiles_), t = float(yTiles_);
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
    gl.Normal3f(0, 0, 1);
    gl.Begin(GL_QUADS);
    const float corners[4][4] = {{s, t, w, h}, {0, t, -w, h}, {0, 0, -w, -h}, {s, 0, w, -h}};
    for (const auto& c : corners) {
      coordinator.TexCoord2f(c[0], c[1]);
      gl.Vertex3f(c[2], c[3], 0);
    }
    gl.End();
  });
}

void TGLHUDSprite::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLHUDSprite*>(source)) {
    xTiles_ = from->xTiles_;
    yTiles_ = from->yTiles_;
  }
  TGLSprite::Assign(source);
}

void RegisterHUDClasses() {
  RegisterSceneObjectClass<TGLHUDSprite>();
  RegisterSceneObjectClass<TGLHUDText>();
  RegisterSceneObjectClass<TGLResolutionIndependantHUDText>();
  RegisterSceneObjectClass<TGLAbsoluteHUDText>();
  RegisterSceneObjectClass<TGLFlatText>();
  RegisterStreamingClass<TGLBitmapFont>();
  RegisterStreamingClass<TGLWindowsBitmapFont>();
  RegisterStreamingClass<TGLStoredBitmapFont>();
}

void TGLFontTextObject::DefinePublished(TFiler& filer) {
  TGLImmaterialSceneObject::DefinePublished(filer);
  DefineComponentReference(filer, "BitmapFont", bitmapFont_, [this](TComponent* found) {
    SetBitmapFont(dynamic_cast<TGLCustomBitmapFont*>(found));
  });
  DefineText(filer, "Text", text_, [this](const std::string& v) { SetText(v); });
  DefineEnum<TAlignment>(filer, "Alignment", alignment_, [this](TAlignment v) { SetAlignment(v); }, taLeftJustify,
                         taCenter);
  DefineEnum<TGLTextLayout>(filer, "Layout", layout_, [this](TGLTextLayout v) { SetLayout(v); }, tlTop, tlBottom);
  DefineObject(filer, "ModulateColor", modulateColor_.get(), [this]() -> TPersistent& { return *modulateColor_; });
}

void TGLHUDText::DefinePublished(TFiler& filer) {
  TGLFontTextObject::DefinePublished(filer);
  DefineSingle(filer, "Rotation", rotation_, [this](float v) { SetRotation(v); }, 0);
}

void TGLFlatText::DefinePublished(TFiler& filer) {
  TGLFontTextObject::DefinePublished(filer);
  DefineBits(filer, "Options", options_, [this](uint32_t v) { SetOptions(uint8_t(v)); }, 0, ftoTwoSided);
}

void TGLHUDSprite::DefinePublished(TFiler& filer) {
  TGLSprite::DefinePublished(filer);
  DefineSubdivisions(filer, "XTiles", xTiles_, [this](int32_t v) { SetXTiles(v); }, 1);
  DefineSubdivisions(filer, "YTiles", yTiles_, [this](int32_t v) { SetYTiles(v); }, 1);
}

}  // namespace scene3d
