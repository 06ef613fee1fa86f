// The --geometry output of lumacast-layout: the window size and every
// control of the layout, depth-first in document order.
#pragma once

#include <string>

#include "ui/core/ui_geometry.h"

namespace ui {
class Control;
}

namespace lumacast_layout {

// `root` is the layout's root control (not the shadow box around it).
std::string GeometryJson(const ui::UiSize& window, ui::Control* root);

}  // namespace lumacast_layout
