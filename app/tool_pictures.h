// The tool pictures (image list imgTool90): one 90 x 90 side view per tool type, drawn in code.
#pragma once

#include <QPixmap>
#include <cstdint>

namespace app {

constexpr int kToolPictureSize = 90;

// The picture of ToolType `type` (0 flat ... 6 undefined); a null pixmap for any other value.
QPixmap ToolPicture(int32_t type);

}  // namespace app
