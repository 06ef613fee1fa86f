// The vocabulary of the accessibility tree: roles, state flags, events and
// the description of one node. Shared by the portable tree and by the
// platform adapters (MSAA on Windows, ATK on Linux), which only translate it.
#pragma once

#include <cstdint>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

// What a node is. kNone marks a control that is not a node of its own (plain
// boxes, spacers, decorative pictures): its visible children are lifted to
// the nearest node above it.
enum class AccessibleRole {
  kNone,
  kWindow,       // a top-level window's client area
  kDialog,       // an owned window that asks a question
  kLabel,        // static text
  kPushButton,
  kLink,
  kCheckBox,
  kRadioButton,
  kProgressBar,
  kText,         // an edit box (its text is the value)
  kGroup,        // a box given a name by its layout
  kGraphic,      // a picture given a name by its layout
};

// State flags of a node.
enum AccessibleState : uint32_t {
  kAccessibleFocusable = 1u << 0,
  kAccessibleFocused = 1u << 1,
  kAccessibleCheckable = 1u << 2,
  kAccessibleChecked = 1u << 3,
  kAccessibleDisabled = 1u << 4,
  kAccessibleInvisible = 1u << 5,  // the node or a box above it is hidden
  kAccessibleReadOnly = 1u << 6,
  kAccessibleDefault = 1u << 7,    // the button Return presses in a dialog
  kAccessibleMultiLine = 1u << 8,
  kAccessibleHot = 1u << 9,        // under the mouse
  kAccessiblePressed = 1u << 10,
};

// What a control tells assistive technology (NotifyAccessibility).
enum class AccessibleEvent {
  kFocus,    // the node took the keyboard focus
  kState,    // checked, enabled, ... changed
  kValue,    // progress value or edit text changed (progress: coalesced)
  kName,     // the name (for most roles: the text) changed
  kShow,     // the node became visible
  kHide,     // the node was hidden
  kReorder,  // children of the node came or went (a box without a node of
             // its own was shown or hidden)
};

// The id of a tree's root node (the window itself). Controls get positive
// ids, unique in the process and kept for the control's life.
inline constexpr int kAccessibleRootId = 0;
// "No node" (hit-testing outside, no focus).
inline constexpr int kAccessibleNoId = -1;

// One node, as read at the moment of the call.
struct AccessibleInfo {
  int id = kAccessibleNoId;
  int parent = kAccessibleNoId;  // kAccessibleNoId for the root
  AccessibleRole role = AccessibleRole::kNone;
  String name;
  String description;
  uint32_t states = 0;  // AccessibleState flags
  // Value: text for every role that has one (progress: "42%", edit: its
  // text); a numeric range only for progress bars.
  bool has_value = false;
  String value;
  bool has_range = false;
  double current = 0;
  double minimum = 0;
  double maximum = 0;
  // Client pixels of the window.
  UiRect bounds;
  // The one default action ("Press", "Check", "Uncheck", "Jump"); empty
  // when the node has none.
  String action;
};

// Text for roles and events in tools, logs and tests ("push button").
const char* AccessibleRoleName(AccessibleRole role);
// The layout value of `accessiblerole` for a role ("pushbutton"), and back;
// false for an unknown word.
const char16_t* AccessibleRoleWord(AccessibleRole role);
bool ParseAccessibleRole(StringView word, AccessibleRole* role);

}  // namespace ui
