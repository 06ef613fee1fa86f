// A measurer where every character is 10 pixels wide and a line 20 high, so
// layout expectations can be worked out by hand.
#pragma once

#include "ui/control/text_layout.h"

namespace ui::testing {

class FixedWidthMeasurer : public TextMeasurer {
 public:
  int Width(StringView text) override { return static_cast<int>(text.size()) * 10; }
  int LineHeight() override { return 20; }
};

}  // namespace ui::testing
