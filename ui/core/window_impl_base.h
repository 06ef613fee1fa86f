// WindowImplBase: a live top-level window built from a layout file.
//
// The application derives from it, names its layout and creates it on the
// heap; creating builds the control tree (through LayoutBuilder), wraps it in
// the drawn shadow when the screen can show alpha, and opens the native
// window (NativeWindow). From then on the window routes input to its controls
// as EventArgs, keeps hover and focus, paints what controls invalidate, fades
// in on its first frame and out on CloseWithResult, and deletes itself once
// its native window is gone:
//
//   class AboutWindow : public ui::WindowImplBase {
//     String ClassName() const override { return u"AboutWindow"; }
//     String LayoutFolder() const override { return u"about"; }
//     String LayoutFile() const override { return u"about.xml"; }
//     void OnLayoutBuilt() override {
//       FindControl<ui::Button>(u"btn_ok")->AddHandler(ui::kEventClick,
//           MakeGuarded([this](const ui::EventArgs&) { CloseWithResult(0); return true; }));
//     }
//   };
//   auto* about = new AboutWindow;
//   if (!about->CreateNative(nullptr, u"About")) { delete about; return; }  // error box shown
//   about->SetCaptionText(u"About");
//   about->CenterOnOwner();
//   about->Show(true, true);
//   // ... the object deletes itself after its window is closed.
//
// Keyboard: Tab and Shift+Tab move the focus through the tab stops in reading
// order (focus_order.h); Space and Enter press the focused button. A focus
// mark (a thin frame in the theme colour "focus_mark") is drawn around the
// focused tab stop once a key has been used, until the next mouse press.
//
// Input rules, kept here for every system (the native windows only report):
// - A press completes (a click) only by its own release on the control. Losing
//   the window's focus, input being blocked, the window closing, or the
//   pressed control being hidden or disabled cancels it.
// - Keys and characters go only to a focus control that takes input (it and
//   every box above it visible and enabled); hiding or disabling a subtree
//   that holds the focus clears the focus.
// - Every box shown over this window blocks its input; the blocks are
//   counted, and as a box goes, the focus moves to a box still up, else to
//   this window. A close request while input is blocked is ignored and the
//   box that blocks it comes forward, as Windows does for a disabled window.
//
// Controls named "closebtn", "minbtn", "maxbtn" and "restorebtn" work as the
// caption buttons. Pressing where no button (nor check box, option or text
// box) is, inside the layout's `caption` rectangle, drags the window.
//
// The object is never deleted inside a call that may close it: the native
// window ends synchronously, the deletion runs as a posted task afterwards
// (OnNativeGone). UI thread only; the thread must run a UI message loop.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "base/weak_callback.h"
#include "ui/control/control.h"  // Window keeps its controls by unique_ptr
#include "ui/core/native_window.h"
#include "ui/core/window.h"

namespace ui {

class WindowImplBase : public Window, public NativeWindowDelegate {
 public:
  // Opacity fade of the whole window (show and close).
  static constexpr int kFadeMs = 250;
  // Delay between CloseWithResult and the close itself when fading.
  static constexpr int kCloseDelayMs = 300;

  WindowImplBase();
  ~WindowImplBase() override;

  // Builds the layout (LayoutFolder()/LayoutFile()) and creates the native
  // window, hidden, owned by `owner` (which ignores input while this window is
  // shown with an owner). `rect`: screen rectangle; empty = the layout's size
  // at (0, 0). `layered`: ask for a per-pixel-alpha surface (shadow, fades).
  // False when the layout does not build (the error box "Failed to load xml
  // file <path>" has been shown) or the system refuses the window; the object
  // then is still the caller's to delete. True: the object belongs to its
  // window from now on.
  bool CreateNative(WindowImplBase* owner, StringView title, const UiRect& rect = UiRect(), bool layered = true);

  // Shows (or hides) the window; `take_focus` activates it and gives it the
  // keyboard focus.
  void Show(bool show, bool take_focus);
  // Restores a minimised window, else shows it and raises it.
  void BringToFront();
  // Centres on the owner (when it is there and not minimised) or, for a
  // window without owner, on the work area of the monitor that holds the
  // mouse pointer; then pulls the window back inside that work area.
  void CenterOnOwner();
  void SetCaptionText(const String& text);
  // Fades out, then closes (HandleClose decides) about 300 ms later; at once
  // when the screen cannot show alpha.
  void CloseWithResult(int result);
  // Blocks (false) or unblocks (true) mouse and keyboard input; calls are
  // counted, so input returns after as many unblocks as blocks (each box
  // shown over the window blocks it once).
  void EnableInput(bool enabled);
  bool IsInputEnabled() const { return input_.blocks == 0; }
  // The newest box still shown over this window, or null.
  WindowImplBase* TopOwnedBox() const;

  // The named control as `T`, or null when missing or of another type.
  template <class T>
  T* FindControl(StringView name) const {
    return dynamic_cast<T*>(LocateControl(name));
  }
  // Handlers of window events (windowclose, 39; kEventAll for every kind).
  void AddWindowHandler(UiEventKind kind, EventHandler handler);
  // Moves the keyboard focus to `control` (none clears it).
  void FocusControl(Control* control);
  // True once a key has been used since the last mouse press: the focus
  // mark is shown.
  bool KeyboardCuesShown() const { return keyboard_cues_; }

  NativeWindow* Native() const { return native_.get(); }
  bool IsNativeAlive() const { return native_ && native_->IsAlive(); }
  // Window opacity 0..255 (fades drive it).
  void SetOpacity(int alpha);
  int Opacity() const { return opacity_; }
  // Paints everything invalidated so far now (normally a posted task does).
  void PaintPending();
  // Frames shown so far (for benchmarks).
  int FramesPresented() const { return frames_presented_; }

 protected:
  // The window class name (Windows); also the X11 WM_CLASS.
  virtual String ClassName() const = 0;
  virtual String LayoutFolder() const = 0;
  virtual String LayoutFile() const = 0;
  // Runs once, after the layout is built and before the native window exists.
  virtual void OnLayoutBuilt() {}
  // Controls for layout tags the builder does not know.
  virtual std::unique_ptr<Control> MakeCustomControl(const String& tag) {
    (void)tag;
    return nullptr;
  }
  // A close was asked for (CloseWithResult after its fade, the close box,
  // Alt+F4, the window manager). True: handled, the window stays; false: the
  // window is destroyed.
  virtual bool HandleClose(int result) {
    (void)result;
    return false;
  }
  // The user or the system asks to close the window (Alt+F4, the window
  // manager, WM_CLOSE) while input is not blocked. By default the window
  // closes (HandleClose decides).
  virtual void OnCloseRequested() { CloseNow(0); }
  // The close itself: cancel input state, ask HandleClose, destroy.
  void CloseNow(int result);
  // Keys before the focus control sees them; true swallows the key.
  virtual bool HandleKeyPress(uint32_t virtual_key) {
    (void)virtual_key;
    return false;
  }
  // The first layout has been done (the window fades in from here).
  virtual void OnFirstLayout();
  // Runs as a posted task after the native window is gone; deletes the object.
  // Overrides must call it last.
  virtual void OnNativeGone();
  // A frame has reached the screen.
  virtual void OnFramePresented() {}
  // The caption buttons by name.
  virtual bool CaptionButtonClicked(const EventArgs& args);

  // Window hooks.
  void OnInvalidate(const UiRect& rect) override;
  void OnLayoutRequested() override;
  void OnDeleteLaterPosted() override;
  void OnCaptionTextChanged(const String& text) override;
  int WorkAreaHeight() const override;
  void OnControlStateChanged(Control* control) override;

  // NativeWindowDelegate.
  void OnNativeExposed(const UiRect& dirty) override;
  void OnNativeMouse(MouseAction action, UiPoint point, uint32_t modifiers, int wheel) override;
  void OnNativeKey(KeyAction action, uint32_t virtual_key, uint32_t modifiers) override;
  void OnNativeChar(char16_t ch) override;
  void OnNativeFocus(bool gained) override;
  void OnNativeResized(UiSize client, SizeKind kind) override;
  HitArea OnNativeHitTest(UiPoint point) override;
  CursorType OnNativeCursor(UiPoint point) override;
  void OnNativeCloseRequested() override;
  void OnNativeDestroyed() override;
  AccessibleTree* OnNativeAccessibleTree() override;

 private:
  // Ends the press in progress without a click.
  void CancelPress();
  // The focus control when it takes input; otherwise the focus is cleared.
  Control* KeyTarget();
  void SchedulePaint();
  void UpdateHover(UiPoint point);
  void ReleaseOwner();
  void StartFade(int from, int to);
  void FadeStep();
  void RaiseWindowEvent(UiEventKind kind);
  void ShowKeyboardCues(bool show);
  // The focus mark's frame around `control` (empty when it gets none); the
  // mark is drawn inside it.
  UiRect FocusMarkRect(Control* control) const;
  int FocusMarkWidth() const;
  // Repaints where the mark around `control` is or would be.
  void InvalidateFocusMark(Control* control);
  void DrawFocusMark();
  UiSize ClientSize() const;

  std::unique_ptr<NativeWindow> native_;
  std::unique_ptr<IRenderContext> context_;
  WindowImplBase* owner_ = nullptr;
  std::weak_ptr<nbase::WeakFlag> owner_alive_;
  bool owner_disabled_ = false;
  bool has_alpha_ = false;
  bool first_layout_pending_ = true;
  bool paint_posted_ = false;
  bool delete_posted_ = false;
  bool gone_ = false;
  bool closing_ = false;
  bool keyboard_cues_ = false;
  UiRect dirty_;
  UiSize client_size_;
  String title_;
  int opacity_ = 255;
  int frames_presented_ = 0;

  // A control the window holds between two input calls; it reads as null once
  // the control is deleted or has left this window.
  class ControlRef {
   public:
    void Set(Control* control);
    Control* Get(const Window* window) const;
    void Clear() { Set(nullptr); }

   private:
    Control* control_ = nullptr;
    std::weak_ptr<nbase::WeakFlag> alive_;
  };
  struct OwnedBox {
    WindowImplBase* window;
    std::weak_ptr<nbase::WeakFlag> alive;
  };
  // The window's input state (see the rules at the top).
  struct InputState {
    ControlRef pressed;          // the control a button press went to
    ControlRef key_down;         // the control a key-down went to
    int blocks = 0;              // input is ignored while above 0
    std::vector<OwnedBox> owned;  // boxes shown over this window, oldest first
  } input_;

  // Fade state.
  int fade_from_ = 255;
  int fade_to_ = 255;
  int64_t fade_start_us_ = 0;
  nbase::WeakCallbackFlag fade_flag_;
  nbase::WeakCallbackFlag close_flag_;

  std::map<int, std::vector<EventHandler>> window_handlers_;
};

}  // namespace ui
