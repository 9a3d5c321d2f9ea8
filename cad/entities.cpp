#include "cad/entities.h"

#include "cad/bitmap2d.h"
#include "cad/blocks2d.h"
#include "cad/class_registry.h"
#include "cad/curves2d.h"
#include "cad/kq_bspline2d.h"
#include "cad/text2d.h"
#include "cad/vect_text2d.h"

namespace cad {

namespace {

TPrimitive2DHandler* g_primitiveHandler = nullptr;

}  // namespace

void KQSysStartEntities() {
  KQSysEndEntities();
  KQSysInitClassRegister();
  // The ids are those of the drawing streams: keep them.
  KQSysRegisterClass(0, GraphicClassOf<TContainer2D>("TContainer2D"));
  KQSysRegisterClass(1, GraphicClassOf<TSourceBlock2D>("TSourceBlock2D"));
  KQSysRegisterClass(2, GraphicClassOf<TBlock2D>("TBlock2D"));
  KQSysRegisterClass(3, GraphicClassOf<TLine2D>("TLine2D"));
  KQSysRegisterClass(4, GraphicClassOf<TPolyline2D>("TPolyline2D"));
  KQSysRegisterClass(5, GraphicClassOf<TPolygon2D>("TPolygon2D"));
  KQSysRegisterClass(6, GraphicClassOf<TRectangle2D>("TRectangle2D"));
  KQSysRegisterClass(7, GraphicClassOf<TEllipseOpen2D>("TEllipseOpen2D"));
  KQSysRegisterClass(8, GraphicClassOf<TEllipse2D>("TEllipse2D"));
  KQSysRegisterClass(9, GraphicClassOf<TFilledEllipse2D>("TFilledEllipse2D"));
  KQSysRegisterClass(10, GraphicClassOf<TText2D>("TText2D"));
  KQSysRegisterClass(11, GraphicClassOf<TFrame2D>("TFrame2D"));
  KQSysRegisterClass(12, GraphicClassOf<TBitmap2D>("TBitmap2D"));
  KQSysRegisterClass(13, GraphicClassOf<TBSpline2D>("TBSpline2D"));
  KQSysRegisterClass(14, GraphicClassOf<TJustifiedVectText2D>("TJustifiedVectText2D"));
  KQSysRegisterClass(15, GraphicClassOf<TPunto2D>("TPunto2D"));
  KQSysRegisterClass(16, GraphicClassOf<TCerchio2D>("TCerchio2D"));
  KQSysRegisterClass(17, GraphicClassOf<TArco2D>("TArco2D"));
  KQSysRegisterClass(18, GraphicClassOf<TFilledCerchio2D>("TFilledCerchio2D"));
  KQSysRegisterClass(19, GraphicClassOf<TKQBSpline2D>("TKQBSpline2D"));
  g_primitiveHandler = new TPrimitive2DHandler();
  KQSysFontRegister().Clear();
  KQSysFontRegister().MakeDefaultGlyph();
}

void KQSysEndEntities() {
  KQSysFontRegister().Clear();
  KQSysFontRegister().FreeDefaultGlyph();
  if (g_primitiveHandler) g_primitiveHandler->Release();
  g_primitiveHandler = nullptr;
}

TPrimitive2DHandler* KQSysPrimitiveHandler() { return g_primitiveHandler; }

}  // namespace cad
