#include "platform/text_measure.h"

#include <QString>

namespace platform {

int FontTextMeasure::TextWidth(std::string_view text) const {
  return metrics_.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace platform
