// Keyboard focus order: the controls Tab and Shift+Tab move through.
//
// A tab stop is a visible (with every box above it), enabled, keyboard-enabled
// button, check box or option that takes the focus and has an area on screen.
// They are visited in reading order: controls are grouped into rows (a control
// whose vertical centre lies within the height of the current row joins it),
// rows from top to bottom, each row from left to right. UI thread only.
#pragma once

#include <vector>

namespace ui {

class Control;

std::vector<Control*> TabStops(Control* root);

// The stop after `current` (before it when `backwards`), wrapping around;
// the first (or last) stop when `current` is not a stop; null without stops.
Control* NextTabStop(Control* root, Control* current, bool backwards);

}  // namespace ui
