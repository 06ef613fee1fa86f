// How one control appears to assistive technology: its role (from its kind,
// or the layout's `accessiblerole`), and its name, description, states, value
// and default action. Read live from the control on every call.
#pragma once

#include "ui/accessibility/accessible_types.h"

namespace ui {

class Control;

// kNone when the control is not a node of its own.
AccessibleRole RoleOfControl(Control* control);

// Fills everything of `info` that the control alone decides (not the id,
// the parent, nor the focused flag, which the window knows).
void DescribeControl(Control* control, AccessibleRole role, AccessibleInfo* info);

// Roles the user can move the keyboard focus to.
bool IsFocusableRole(AccessibleRole role);

}  // namespace ui
