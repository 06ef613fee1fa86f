// Events of the control tree: the kinds a window or a control raises, the
// record handed to handlers, and the control states that painting follows.
#pragma once

#include <cstdint>
#include <functional>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

class Control;

enum UiEventKind : int {
  kEventInternalButtonDown = 0,
  kEventInternalMenu = 1,
  kEventInternalSetFocus = 2,
  kEventInternalKillFocus = 3,
  kEventNone = 4,
  // A press that is interrupted (focus lost, input blocked, the window
  // closing, the control hidden or disabled): cancelled, never completed.
  kEventInternalCancelPress = 5,
  kEventAll = 6,
  kEventKeyDown = 8,
  kEventKeyUp = 9,
  kEventChar = 10,
  kEventSysKey = 11,
  kEventMouseMove = 14,
  kEventMouseEnter = 15,
  kEventMouseLeave = 16,
  kEventMouseHover = 17,
  kEventButtonDown = 18,
  kEventButtonUp = 19,
  kEventRButtonDown = 20,
  kEventRButtonUp = 21,
  kEventDoubleClick = 22,
  kEventMenu = 23,
  kEventScrollWheel = 24,
  kEventPointerDown = 32,
  kEventPointerUpdate = 33,
  kEventPointerUp = 34,
  kEventSetFocus = 36,
  kEventKillFocus = 37,
  kEventWindowClose = 39,
  kEventSetCursor = 40,
  kEventClick = 41,
  kEventSelect = 42,
  kEventUnselect = 43,
  kEventReturn = 45,
  kEventTab = 46,
  kEventScrollChange = 50,
  kEventValueChange = 51,
};

inline bool IsMouseEventKind(int kind) { return kind >= kEventMouseMove && kind <= kEventScrollWheel; }

// The layout name of an event ("click" has none); kEventNone for any other.
UiEventKind EventKindFromName(StringView name);

enum ControlState : int {
  kControlStateNormal = 0,
  kControlStateHot = 1,
  kControlStatePushed = 2,
  kControlStateDisabled = 3,
};
inline constexpr int kControlStateCount = 4;

enum CursorType : int { kCursorArrow = 0, kCursorHand = 1, kCursorIBeam = 2 };

struct EventArgs {
  UiEventKind type = kEventNone;
  Control* sender = nullptr;
  uint64_t timestamp = 0;  // milliseconds since system start
  UiPoint mouse_point;     // window coordinates
  char16_t key = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  float pressure = 0.0f;
};

// Returns false to stop further handling of the event.
using EventHandler = std::function<bool(const EventArgs&)>;

}  // namespace ui
