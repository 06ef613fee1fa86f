// The one call by which a control tells assistive technology that something
// about it changed. It costs a pointer test while no client has asked for
// the window's accessibility tree.
#pragma once

#include "ui/accessibility/accessible_types.h"

namespace ui {

class Control;

void NotifyAccessibility(Control* control, AccessibleEvent event);

}  // namespace ui
