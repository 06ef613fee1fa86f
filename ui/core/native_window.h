// NativeWindow: the system half of a top-level window (Win32 in
// native_window_win.cc, X11 in native_window_x11.cc).
//
// It creates one borderless top-level window, turns the system's input into
// the few calls of NativeWindowDelegate (client coordinates, Windows key
// codes), and shows frames that the portable side paints into a render
// context. Everything else (hit testing, input routing, focus and hover,
// fades, the close sequence) is the delegate's, so it is written once.
//
// Destruction: Destroy() (or the system closing the window) ends the native
// window at once and calls OnNativeDestroyed() synchronously; after that the
// object never calls its delegate again, and every operation does nothing.
// Deleting the object ends a live native window without telling the delegate.
// UI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/control/event_args.h"
#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

class AccessibleTree;
class IRenderContext;

enum class MouseAction { kMove, kLeave, kLeftDown, kLeftDoubleClick, kLeftUp, kRightDown, kRightUp, kWheel };
enum class KeyAction { kDown, kUp };
// What a point of the window is for the system (resize bands only where a
// size box is set).
enum class HitArea { kClient, kCaption, kLeft, kTop, kRight, kBottom, kTopLeft, kTopRight, kBottomLeft, kBottomRight };
enum class SizeKind { kRestored, kMinimized, kMaximized };

// Windows virtual-key codes; the X11 side maps its key symbols to them so that
// controls see one set of codes.
enum VirtualKey : uint32_t {
  kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10, kVkControl = 0x11, kVkEscape = 0x1B,
  kVkSpace = 0x20, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25,
  kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D, kVkDelete = 0x2E, kVkF4 = 0x73,
};

// Modifier flags of input calls.
enum InputModifier : uint32_t { kModShift = 1, kModControl = 2, kModAlt = 4 };

class NativeWindowDelegate {
 public:
  virtual ~NativeWindowDelegate() = default;
  // The system wants `dirty` (client pixels) shown again.
  virtual void OnNativeExposed(const UiRect& dirty) = 0;
  // `point` in client pixels; `wheel` the signed wheel delta (120 a notch).
  virtual void OnNativeMouse(MouseAction action, UiPoint point, uint32_t modifiers, int wheel) = 0;
  virtual void OnNativeKey(KeyAction action, uint32_t virtual_key, uint32_t modifiers) = 0;
  virtual void OnNativeChar(char16_t ch) = 0;
  virtual void OnNativeFocus(bool gained) = 0;
  virtual void OnNativeResized(UiSize client, SizeKind kind) = 0;
  virtual HitArea OnNativeHitTest(UiPoint point) = 0;
  // The cursor for a client point (the control under it decides).
  virtual CursorType OnNativeCursor(UiPoint point) = 0;
  // The user or the system asks the window to close (close box, Alt+F4,
  // WM_DELETE_WINDOW). The delegate decides; it calls Destroy() to close.
  virtual void OnNativeCloseRequested() = 0;
  virtual void OnNativeDestroyed() = 0;
  // A client of assistive technology asks for the window's contents: the
  // tree, created on first use (null: the window has none to offer).
  virtual AccessibleTree* OnNativeAccessibleTree() { return nullptr; }
};

struct NativeWindowParams {
  String class_name;             // Windows window class (registered on first use)
  String title;
  UiRect rect;                   // screen pixels
  class NativeWindow* owner = nullptr;
  bool want_alpha = true;        // a per-pixel-alpha surface when the system has one
  bool tool_window = false;      // no task-bar entry (message boxes)
};

class NativeWindow {
 public:
  // Null when the system refuses (no display, class registration failed).
  static std::unique_ptr<NativeWindow> Create(NativeWindowDelegate* delegate, const NativeWindowParams& params);
  // The work area of the main screen, in screen pixels (the whole screen when
  // the system does not say); empty without a display.
  static UiRect PrimaryWorkArea();
  // The work area of the monitor that holds the mouse pointer (the primary
  // one when that cannot be told); empty without a display.
  static UiRect PointerWorkArea();
  // True when a window created now could show per-pixel alpha (see HasAlpha).
  static bool AlphaAvailable();
  // Shows a modal error message with `caption`. With an `owner` the box is
  // the owner's (the owner takes no input until it is dismissed).
  static void ShowErrorBox(const String& text, const String& caption, const NativeWindow* owner = nullptr);
  // Asks a question in the system's own modal box (Windows: MessageBoxW;
  // X11: the plain dialog with the two texts on its buttons), owned by
  // `owner` when given. 0: `yes`; 1: `no`; 2: dismissed; -1: no box could be
  // shown.
  static int AskSystemQuestion(const String& text, const String& caption, const String& yes, const String& no,
                               const NativeWindow* owner);

  virtual ~NativeWindow() = default;

  // True when frames keep their per-pixel alpha on screen (layered window,
  // or an ARGB window under a compositing manager): the shadow and fades are
  // only drawn then.
  virtual bool HasAlpha() const = 0;
  virtual bool IsAlive() const = 0;
  virtual void Show(bool show, bool take_focus) = 0;
  virtual void Minimize() = 0;
  virtual void Maximize() = 0;
  virtual void Restore() = 0;
  virtual bool IsMinimized() const = 0;
  virtual bool IsMaximized() const = 0;
  virtual void BringToFront() = 0;
  virtual void SetTitle(const String& title) = 0;
  // Outer rectangle in screen pixels (what Move takes).
  virtual UiRect GetScreenRect() const = 0;
  virtual void Move(const UiRect& rect) = 0;
  // The work area of the monitor that holds most of the window.
  virtual UiRect WorkArea() const = 0;
  // Shows `dirty` of `frame` (client-sized, premultiplied BGRA) with the
  // window opacity `alpha`. False when nothing could be shown (not mapped).
  virtual bool Present(const IRenderContext& frame, const UiRect& dirty, uint8_t alpha) = 0;
  virtual void SetCursor(CursorType cursor) = 0;
  virtual void CaptureMouse(bool capture) = 0;
  virtual void TakeFocus() = 0;
  virtual bool HasFocus() const = 0;
  // While disabled the window ignores mouse and keyboard (an owned box is up).
  virtual void SetInputEnabled(bool enabled) = 0;
  // A press at `point` (client) in the caption: let the user drag the window.
  virtual void BeginCaptionDrag(UiPoint point) = 0;
  virtual void Destroy() = 0;
  // The system handle (HWND / X11 Window) for tests and native code.
  virtual uintptr_t Handle() const = 0;
};

}  // namespace ui
