#include "machining/tool_shape.h"

#include <gtest/gtest.h>

namespace {

using namespace machining;

TEST(ToolShape, TaperAnglesFromAHundredthToBelowARightAngle) {
  // The angle of both cone types: no real cone is thinner than 0.01 degrees, and a thinner one
  // (1e-20 degrees lifts the tip by 1e20) gets the message of every other bad angle.
  const std::string message = "The taper angle must be at least 0.01 and less than 90 degrees.";
  struct Case {
    double angle;
    bool sound;
  } cases[] = {{1e-20, false}, {1e-6, false}, {0.0099999, false}, {0.0, false}, {-30, false}, {90, false},
               {kMinTaperAngle, true}, {0.5, true}, {30, true}, {89.999, true}};
  for (int32_t type : {kToolConicalFlat, kToolConicalSpherical})
    for (const Case& c : cases) {
      ToolShape shape;
      shape.toolType = type;
      shape.diameter = 6;
      shape.flatDiameter = 1;
      shape.taperAngle = c.angle;
      EXPECT_EQ(ToolShapeProblem(shape), c.sound ? "" : message) << "type " << type << " angle " << c.angle;
      if (!c.sound) {
        EXPECT_THROW(ValidateToolShape(shape), ToolShapeError);
      }
    }
  // Types without a cone do not judge the angle.
  ToolShape flat;
  flat.diameter = 6;
  flat.taperAngle = 1e-20;
  EXPECT_EQ(ToolShapeProblem(flat), "");
}

}  // namespace
