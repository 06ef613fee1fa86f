// The ATK object of one node of a window's accessibility tree (Linux only).
// Every call reads the tree afresh through the window's adapter; an object
// whose window or control is gone answers as defunct.
#pragma once

#include <atk/atk.h>

#include <cstdint>

#include "ui/accessibility/accessible_types.h"

namespace ui {

class AtkWindowAdapter;

// A new object (one reference, the caller's) for node `id`, with the ATK
// interfaces its role needs: component always; action for what can be
// pressed, value for progress bars, text for labels and edit boxes; window
// for the root.
AtkObject* NewAtkNode(AtkWindowAdapter* window, int id, AccessibleRole role);

// The window is going: the object is defunct from now on.
void DetachAtkNode(AtkObject* node);

// Emits state-change on `object` for every ATK state that differs between
// the tree's state flags `before` and `after`.
void NotifyAtkStateChanges(AtkObject* object, uint32_t before, uint32_t after);

}  // namespace ui
