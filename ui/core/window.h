// Window: the portable half of a top-level window, everything the control
// tree needs from it.
//
// It owns the root control, keeps the name map, the window's own classes, the
// option groups, the last mouse point and the hover/focus controls, the
// layout's `Window` attributes (initial size, caption, shadow, ...) and the
// folder that the layout's images are relative to. It lays the tree out in a
// client rectangle and paints it into a render context. The native window
// (Win32, X11) derives from it and reacts through the virtual hooks; an
// off-screen window (lumacast-layout, tests) uses it as it is:
//
//   Window window;
//   LayoutBuilder builder;
//   Control* root = builder.Build(u"basic/basic.xml", {}, &window, nullptr, nullptr);
//   window.SetRootControl(std::unique_ptr<Control>(root));
//   UiSize size = window.InitialClientSize();
//   window.Arrange(UiRect(0, 0, size.cx, size.cy));
//   window.Paint(context, UiRect(0, 0, size.cx, size.cy));
//
// UI thread only.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "base/weak_callback.h"
#include "ui/control/event_args.h"
#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

class AccessibleTree;
class Control;
class IRenderContext;

// The layout's `Window` element, in pixels after scaling where scaled. Sizes
// are kept without the shadow padding: Window adds it when asked, so the
// order of `size` and `shadowattached` in a layout does not matter.
struct WindowAttributes {
  UiSize size;             // the `size` / `heightpercent` result
  UiRect size_box;         // not scaled
  UiRect caption;
  UiSize round_corner;
  UiSize min_size;         // 0 = no limit
  UiSize max_size;
  UiRect alpha_fix_corner;
  String caption_text;
  bool shadow_attached = true;
  bool shadow_default_image = true;
  String shadow_image = u"file='../public/bk/bk_shadow.png' corner='30,30,30,30'";
  UiRect shadow_corner_unscaled{14, 14, 14, 14};
};

class Window : public nbase::SupportWeakCallback {
 public:
  Window();
  ~Window() override;

  // --- The control tree ---
  // Makes `root` the root: attaches its tree and fills the name map. The old
  // root is deleted. False for none.
  bool SetRootControl(std::unique_ptr<Control> root);
  Control* GetRoot() const { return root_.get(); }
  // Wraps `root` in a shadow box when the shadow is attached (its padding is
  // the shadow corner, its background the shadow image) and returns the new
  // root; returns `root` unchanged otherwise.
  std::unique_ptr<Control> WrapInShadow(std::unique_ptr<Control> root);
  // Called by Control::SetWindow: enters the name in the name map (a later
  // control of the same name replaces the earlier entry).
  void AdoptControl(Control* control);
  // Forgets every reference to `control` (focus, hover, name map, groups).
  void ForgetControl(Control* control);
  Control* LocateControl(StringView name) const;
  // Keeps a removed control until FlushDeleted (it may be running a handler).
  void DeleteLater(std::unique_ptr<Control> control);
  void FlushDeleted();
  // The topmost visible, hit-testable control under `point`.
  Control* LocateControl(UiPoint point) const;

  // --- Window classes (the layout's own Class elements) ---
  void AddClass(StringView name, StringView attributes);
  String GetClassAttributes(StringView name) const;

  // --- Option groups ---
  bool JoinGroup(StringView group, Control* option);
  void LeaveGroup(StringView group, Control* option);
  // A copy: handlers may change the group while it is walked.
  std::vector<Control*> GetGroup(StringView group) const;

  // --- Input state (set by the native window) ---
  UiPoint LastMousePoint() const { return last_mouse_point_; }
  void SetLastMousePoint(UiPoint point) { last_mouse_point_ = point; }
  Control* GetHoverControl() const { return hover_; }
  void SetHoverControl(Control* control) { hover_ = control; }
  Control* GetFocusControl() const { return focus_; }
  // Tells assistive technology about a new focus control.
  void SetFocusControl(Control* control);
  // Raises `kind` on `control` with the last mouse point.
  void NotifyControl(Control* control, UiEventKind kind, uintptr_t wparam = 0, intptr_t lparam = 0);
  // Called by Control when its visibility or enabled state changes. Here a
  // focus inside a subtree that can no longer take input is dropped; a live
  // window also tells the controls and cancels a press (WindowImplBase).
  virtual void OnControlStateChanged(Control* control);
  // True when `control` belongs to this window and it and every box above it
  // are visible and enabled: only then does it take keys or complete a press.
  bool TakesInput(const Control* control) const;
  // True when `control` is `subtree` or lies inside it.
  static bool IsInside(const Control* control, const Control* subtree);

  // --- Accessibility ---
  // Null until a client of assistive technology has asked for it.
  AccessibleTree* GetAccessibleTree() const { return accessible_.get(); }
  AccessibleTree* EnsureAccessibleTree();

  // --- Resources ---
  // The folder the layout's images are relative to (a separator is added).
  void SetResourcePath(StringView path);
  const String& GetResourcePath() const { return resource_path_; }

  // --- Window attributes ---
  // True when `name` is a window attribute (applied to Attributes()).
  bool ApplyWindowAttribute(StringView name, StringView value);
  const WindowAttributes& Attributes() const { return attributes_; }
  // The shadow corner, scaled, when the shadow is attached; else 0.
  UiRect ShadowPadding() const;
  // `size`, `mininfo`, `maxinfo` with the shadow padding added (a zero
  // component of min/max stays 0: no limit).
  UiSize InitialSize() const;
  UiSize MinSize() const;
  UiSize MaxSize() const;
  // The client size the window starts with: the `size` attribute, else the
  // root's estimate when it is auto-sized, clamped to min/max.
  UiSize InitialClientSize();

  // --- Layout and painting ---
  // Places the root in `client` (and remembers that nothing is pending).
  void Arrange(const UiRect& client);
  bool IsLayoutNeeded() const { return layout_needed_; }
  void SetLayoutNeeded() { layout_needed_ = true; OnLayoutRequested(); }
  // Paints the tree (after arranging when needed) into `context`.
  void Paint(IRenderContext* context, const UiRect& dirty);
  void Invalidate(const UiRect& rect) { OnInvalidate(rect); }

 protected:
  // Hooks for the native window.
  virtual void OnInvalidate(const UiRect& rect) { (void)rect; }
  virtual void OnLayoutRequested() {}
  // A control waits in DeleteLater: the native window posts itself a
  // message that calls FlushDeleted.
  virtual void OnDeleteLaterPosted() {}
  virtual void OnInitialSizeChanged(UiSize size) { (void)size; }
  virtual void OnCaptionTextChanged(const String& text) { (void)text; }
  // Height of the work area of the window's monitor; 0 when unknown (the
  // `heightpercent` attribute is then ignored).
  virtual int WorkAreaHeight() const { return 0; }

 private:
  void ForgetAll();

  std::unique_ptr<AccessibleTree> accessible_;
  std::unique_ptr<Control> root_;
  std::vector<std::unique_ptr<Control>> pending_delete_;
  std::map<String, Control*, std::less<>> names_;
  std::map<String, String, std::less<>> classes_;
  std::map<String, std::vector<Control*>, std::less<>> groups_;
  String resource_path_;
  WindowAttributes attributes_;
  UiRect client_;
  UiPoint last_mouse_point_{-1, -1};
  Control* hover_ = nullptr;
  Control* focus_ = nullptr;
  bool layout_needed_ = true;
};

}  // namespace ui
