// The native window on X11 (Xlib): a borderless top-level window fed by the
// UI pump, which watches the display connection's descriptor.
//
// Alpha: a 32-bit ARGB visual is used only while a compositing manager owns
// _NET_WM_CM_S<screen>; otherwise the window is an ordinary opaque one (the
// portable side then draws no shadow margin and no fades). Without a window
// manager (a bare server) the window maps where it asked to be, takes the input
// focus itself and is dragged by moving it; with one, the caption drag goes
// through _NET_WM_MOVERESIZE.
//
// Losing the display (the server ends or the connection breaks) does not end
// the process from inside Xlib: the connection is marked lost, every later
// call here does nothing, and the thread's UI loop is asked to quit, so the
// program ends the way it does for any outside quit request.
#include <dlfcn.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/message_loop.h"
#include "base/ui_message_pump_linux.h"
#include "ui/accessibility/accessibility_bridge_atk.h"
#include "ui/core/ui_string.h"
#include "ui/core/native_window.h"
#include "ui/core/plain_dialog_x11.h"
#include "ui/render/pixel_ops.h"
#include "ui/render/render_context.h"

// Xlib last: its macros (None, Bool, Status, ...) must not meet the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

namespace ui {

namespace {

using XWindow = ::Window;

// Presses closer than this in time and distance make a double click.
constexpr long kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;
// _NET_WM_MOVERESIZE direction "move".
constexpr long kMoveResizeMove = 8;

class X11NativeWindow;

// The process's one display connection, opened on first use and kept to the
// end of the process.
class Connection {
 public:
  // Null when no display can be opened.
  static Connection* Get() {
    static Connection* connection = [] {
      Display* display = XOpenDisplay(nullptr);
      if (!display) {
        // Said once: every window of the process fails the same way.
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "cannot open the X display \"%s\"\n", name ? name : "");
      }
      return display ? new Connection(display) : nullptr;
    }();
    return connection;
  }

  Display* display() const { return display_; }
  int screen() const { return screen_; }
  XWindow root() const { return root_; }
  Atom atom(const char* name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) return it->second;
    Atom a = XInternAtom(display_, name, False);
    atoms_[name] = a;
    return a;
  }

  bool Composited() {
    std::string name = "_NET_WM_CM_S" + std::to_string(screen_);
    return XGetSelectionOwner(display_, atom(name.c_str())) != 0;
  }

  // True when a window manager runs and announces `feature` in _NET_SUPPORTED.
  bool WindowManagerSupports(const char* feature) {
    std::vector<long> check = RootLongs("_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty() || check[0] == 0) return false;
    std::vector<long> supported = RootLongs("_NET_SUPPORTED", XA_ATOM);
    Atom wanted = atom(feature);
    for (long a : supported)
      if (static_cast<Atom>(a) == wanted) return true;
    return false;
  }

  std::vector<long> RootLongs(const char* property, Atom type) {
    std::vector<long> values;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, root_, atom(property), 0, 64, False, type, &actual, &format, &count, &after,
                           &data) == Success &&
        data && format == 32) {
      const long* longs = reinterpret_cast<const long*>(data);
      values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
  }

  Cursor cursor(CursorType type) {
    unsigned shape = type == kCursorHand ? XC_hand2 : type == kCursorIBeam ? XC_xterm : XC_left_ptr;
    auto it = cursors_.find(shape);
    if (it != cursors_.end()) return it->second;
    Cursor c = XCreateFontCursor(display_, shape);
    cursors_[shape] = c;
    return c;
  }

  // Starts watching the connection from the calling thread's UI pump.
  bool Watch() {
    if (lost_) return false;
    if (watched_) return true;
    nbase::LinuxUIMessagePump* pump = nbase::LinuxUIMessagePump::ForThisThread();
    if (!pump) return false;
    watched_ = pump->WatchDescriptor(ConnectionNumber(display_), POLLIN, [this](int, short) { Drain(); });
    return watched_;
  }

  void Add(XWindow id, X11NativeWindow* window) { windows_[id] = window; }
  void Remove(XWindow id) { windows_.erase(id); }

  // Handles every event the connection has (read or already queued).
  void Drain();

  // A round trip may leave events in Xlib's queue while the descriptor stays
  // quiet: have them handled by a task.
  void DrainSoon() {
    if (lost_ || drain_posted_ || XEventsQueued(display_, QueuedAlready) == 0) return;
    nbase::MessageLoop* loop = nbase::MessageLoop::ForThisThread();
    if (!loop) return;
    drain_posted_ = true;
    loop->Post([this] {
      drain_posted_ = false;
      Drain();
    });
  }

 private:
  explicit Connection(Display* display)
      : display_(display), screen_(DefaultScreen(display)), root_(RootWindow(display, screen_)) {
    // A request on a window that is already gone must not end the process.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    // Nor may a lost connection (Xlib's default prints and calls exit(1)).
    XSetIOErrorHandler([](Display*) { return 0; });
    XSetIOErrorExitHandler(
        display_, [](Display*, void* self) { static_cast<Connection*>(self)->OnLost(); }, this);
  }

  void OnLost() {
    if (lost_) return;
    lost_ = true;
    std::fputs("the X display connection was lost\n", stderr);
    if (nbase::LinuxUIMessagePump* pump = nbase::LinuxUIMessagePump::ForThisThread())
      pump->UnwatchDescriptor(ConnectionNumber(display_));
    watched_ = false;
    if (nbase::MessageLoop* loop = nbase::MessageLoop::ForThisThread()) loop->QuitWhenIdle();
  }

  Display* display_;
  int screen_;
  XWindow root_;
  bool watched_ = false;
  bool drain_posted_ = false;
  bool lost_ = false;
  std::map<std::string, Atom> atoms_;
  std::map<unsigned, Cursor> cursors_;
  std::map<XWindow, X11NativeWindow*> windows_;

  friend class X11NativeWindow;
};

uint32_t Modifiers(unsigned state) {
  uint32_t m = 0;
  if (state & ShiftMask) m |= kModShift;
  if (state & ControlMask) m |= kModControl;
  if (state & Mod1Mask) m |= kModAlt;
  return m;
}

// The Windows key code controls expect for an X key symbol; 0 for none.
uint32_t VirtualKeyFor(KeySym sym) {
  switch (sym) {
    case XK_BackSpace: return kVkBack;
    case XK_Tab: case XK_ISO_Left_Tab: return kVkTab;
    case XK_Return: case XK_KP_Enter: return kVkReturn;
    case XK_Escape: return kVkEscape;
    case XK_space: return kVkSpace;
    case XK_Prior: return kVkPrior;
    case XK_Next: return kVkNext;
    case XK_End: return kVkEnd;
    case XK_Home: return kVkHome;
    case XK_Left: return kVkLeft;
    case XK_Up: return kVkUp;
    case XK_Right: return kVkRight;
    case XK_Down: return kVkDown;
    case XK_Insert: return kVkInsert;
    case XK_Delete: return kVkDelete;
    case XK_Shift_L: case XK_Shift_R: return kVkShift;
    case XK_Control_L: case XK_Control_R: return kVkControl;
    case XK_F4: return kVkF4;
    default: break;
  }
  if (sym >= XK_a && sym <= XK_z) return static_cast<uint32_t>(sym - XK_a + 'A');
  if ((sym >= XK_A && sym <= XK_Z) || (sym >= XK_0 && sym <= XK_9)) return static_cast<uint32_t>(sym);
  return 0;
}

class X11NativeWindow : public NativeWindow {
 public:
  X11NativeWindow(Connection* connection, NativeWindowDelegate* delegate)
      : conn_(connection), display_(connection->display()), delegate_(delegate) {}

  ~X11NativeWindow() override {
    if (!alive_) return;
    AtkRemoveWindow(this);
    alive_ = false;
    conn_->Remove(window_);
    XDestroyWindow(display_, window_);
    FreeResources();
    Flush();
  }

  bool Init(const NativeWindowParams& params) {
    const int screen = conn_->screen();
    Visual* visual = DefaultVisual(display_, screen);
    int depth = DefaultDepth(display_, screen);
    XVisualInfo info;
    if (params.want_alpha && conn_->Composited() && XMatchVisualInfo(display_, screen, 32, TrueColor, &info)) {
      visual = info.visual;
      depth = 32;
      has_alpha_ = true;
    } else if (depth != 24 && depth != 32) {
      return false;  // the frame's 32-bit pixels need a 24- or 32-bit visual
    }
    depth_ = depth;
    visual_ = visual;
    colormap_ = XCreateColormap(display_, conn_->root(), visual, AllocNone);
    XSetWindowAttributes attrs{};
    attrs.colormap = colormap_;
    attrs.border_pixel = 0;
    attrs.background_pixmap = 0;  // None: the server never paints over frames
    attrs.event_mask = ExposureMask | StructureNotifyMask | FocusChangeMask | KeyPressMask | KeyReleaseMask |
                       ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;
    rect_ = params.rect;
    const int w = std::max(1, rect_.Width()), h = std::max(1, rect_.Height());
    rect_.right = rect_.left + w;
    rect_.bottom = rect_.top + h;
    window_ = XCreateWindow(display_, conn_->root(), rect_.left, rect_.top, w, h, 0, depth, InputOutput, visual,
                            CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attrs);
    if (!window_) return false;
    alive_ = true;
    conn_->Add(window_, this);
    gc_ = XCreateGC(display_, window_, 0, nullptr);

    // No frame: Motif hints (flags: decorations; decorations: none).
    long motif[5] = {2, 0, 0, 0, 0};
    Atom motif_atom = conn_->atom("_MOTIF_WM_HINTS");
    XChangeProperty(display_, window_, motif_atom, motif_atom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif), 5);
    Atom protocols[1] = {conn_->atom("WM_DELETE_WINDOW")};
    XSetWMProtocols(display_, window_, protocols, 1);
    XSizeHints size_hints{};
    size_hints.flags = USPosition | USSize | PPosition | PSize;
    size_hints.x = rect_.left;
    size_hints.y = rect_.top;
    size_hints.width = w;
    size_hints.height = h;
    XSetWMNormalHints(display_, window_, &size_hints);
    XWMHints wm_hints{};
    wm_hints.flags = InputHint | StateHint;
    wm_hints.input = True;
    wm_hints.initial_state = NormalState;
    XSetWMHints(display_, window_, &wm_hints);
    std::string class_name = "lumacast";
    XClassHint class_hint{class_name.data(), class_name.data()};
    XSetClassHint(display_, window_, &class_hint);
    Atom type = conn_->atom(params.owner ? "_NET_WM_WINDOW_TYPE_DIALOG" : "_NET_WM_WINDOW_TYPE_NORMAL");
    XChangeProperty(display_, window_, conn_->atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&type), 1);
    if (params.owner) XSetTransientForHint(display_, window_, static_cast<XWindow>(params.owner->Handle()));
    SetTitle(params.title);
    Flush();
    AtkAddWindow(this, delegate_);
    return true;
  }

  // ---- NativeWindow ----
  bool HasAlpha() const override { return has_alpha_; }
  bool IsAlive() const override { return alive_; }

  void Show(bool show, bool take_focus) override {
    if (!alive_) return;
    if (show) {
      focus_on_map_ = take_focus;
      XMapRaised(display_, window_);
      // A window manager may put a mapped window elsewhere; ask again.
      XMoveWindow(display_, window_, rect_.left, rect_.top);
      if (mapped_ && take_focus) TakeFocus();
    } else {
      XWithdrawWindow(display_, window_, conn_->screen());
    }
    Flush();
  }

  void Minimize() override {
    if (!alive_) return;
    XIconifyWindow(display_, window_, conn_->screen());
    Flush();
  }

  void Maximize() override {
    if (!alive_ || maximized_) return;
    restore_rect_ = rect_;
    maximized_ = true;
    Move(WorkArea());
  }

  void Restore() override {
    if (!alive_) return;
    if (minimized_) XMapRaised(display_, window_);
    if (maximized_) {
      maximized_ = false;
      Move(restore_rect_);
    }
    Flush();
  }

  bool IsMinimized() const override { return minimized_; }
  bool IsMaximized() const override { return maximized_; }

  void BringToFront() override {
    if (!alive_) return;
    if (minimized_) {
      Restore();
      return;
    }
    Show(true, true);
  }

  void SetTitle(const String& title) override {
    if (!alive_) return;
    std::string utf8 = ToUTF8(title);
    Atom utf8_type = conn_->atom("UTF8_STRING");
    auto bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    XChangeProperty(display_, window_, XA_WM_NAME, utf8_type, 8, PropModeReplace, bytes,
                    static_cast<int>(utf8.size()));
    XChangeProperty(display_, window_, conn_->atom("_NET_WM_NAME"), utf8_type, 8, PropModeReplace, bytes,
                    static_cast<int>(utf8.size()));
    Flush();
  }

  UiRect GetScreenRect() const override { return rect_; }

  void Move(const UiRect& rect) override {
    if (!alive_ || rect.IsEmpty()) return;
    const bool resized = rect.Width() != rect_.Width() || rect.Height() != rect_.Height();
    rect_ = rect;
    XMoveResizeWindow(display_, window_, rect.left, rect.top, rect.Width(), rect.Height());
    Flush();
    if (resized) delegate_->OnNativeResized(UiSize{rect.Width(), rect.Height()}, State());
  }

  UiRect WorkArea() const override { return PrimaryWorkAreaOf(conn_); }

  bool Present(const IRenderContext& frame, const UiRect& dirty, uint8_t alpha) override {
    if (!alive_ || !mapped_) return false;
    const uint8_t* bits = frame.Bits();
    if (!bits) return false;
    const UiRect area = dirty.Intersection(UiRect(0, 0, frame.Width(), frame.Height()));
    if (area.IsEmpty()) return false;
    const int stride = frame.Width() * 4;
    const char* source = reinterpret_cast<const char*>(bits) + area.top * stride + area.left * 4;
    int source_stride = stride;
    if (alpha != 255 && has_alpha_) {
      // Window opacity: scale the premultiplied pixels of the area.
      scratch_.resize(static_cast<size_t>(area.Width()) * area.Height() * 4);
      ScaleOpacityPixels(reinterpret_cast<const uint8_t*>(source), stride, area.Width(), area.Height(), alpha,
                         scratch_.data());
      source = reinterpret_cast<const char*>(scratch_.data());
      source_stride = area.Width() * 4;
    }
    XImage image{};
    image.width = source_stride / 4;
    image.height = area.Height();
    image.format = ZPixmap;
    image.data = const_cast<char*>(source);
    image.byte_order = LSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = LSBFirst;
    image.bitmap_pad = 32;
    image.depth = depth_;
    image.bytes_per_line = source_stride;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
    if (!XInitImage(&image)) return false;
    XPutImage(display_, window_, gc_, &image, 0, 0, area.left, area.top, area.Width(), area.Height());
    Flush();
    return true;
  }

  void SetCursor(CursorType cursor) override {
    if (!alive_ || cursor == cursor_) return;
    cursor_ = cursor;
    XDefineCursor(display_, window_, conn_->cursor(cursor));
    Flush();
  }

  // The server grabs the pointer for the window between press and release.
  void CaptureMouse(bool) override {}

  void TakeFocus() override {
    if (!alive_) return;
    if (!mapped_) {
      focus_on_map_ = true;
      return;
    }
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    Flush();
  }

  bool HasFocus() const override { return has_focus_; }
  void SetInputEnabled(bool) override {}

  void BeginCaptionDrag(UiPoint) override {
    if (!alive_) return;
    if (conn_->WindowManagerSupports("_NET_WM_MOVERESIZE")) {
      XUngrabPointer(display_, CurrentTime);
      XEvent e{};
      e.xclient.type = ClientMessage;
      e.xclient.window = window_;
      e.xclient.message_type = conn_->atom("_NET_WM_MOVERESIZE");
      e.xclient.format = 32;
      e.xclient.data.l[0] = press_root_.x;
      e.xclient.data.l[1] = press_root_.y;
      e.xclient.data.l[2] = kMoveResizeMove;
      e.xclient.data.l[3] = Button1;
      e.xclient.data.l[4] = 1;  // from an application
      XSendEvent(display_, conn_->root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
      Flush();
    } else {
      dragging_ = true;
      drag_origin_ = UiPoint{rect_.left, rect_.top};
      drag_start_ = press_root_;
    }
    conn_->DrainSoon();
  }

  void Destroy() override {
    if (!alive_) return;
    AtkRemoveWindow(this);
    alive_ = false;
    conn_->Remove(window_);
    XDestroyWindow(display_, window_);
    FreeResources();
    Flush();
    delegate_->OnNativeDestroyed();
  }

  uintptr_t Handle() const override { return window_; }

  // ---- Events ----
  void Dispatch(XEvent& e) {
    switch (e.type) {
      case Expose:
        delegate_->OnNativeExposed(
            UiRect(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height));
        break;
      case MapNotify:
        mapped_ = true;
        minimized_ = false;
        delegate_->OnNativeExposed(UiRect(0, 0, rect_.Width(), rect_.Height()));
        AtkWindowMapped(this);
        if (focus_on_map_) {
          focus_on_map_ = false;
          XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        }
        break;
      case UnmapNotify:
        mapped_ = false;
        minimized_ = IsIconic();
        break;
      case ConfigureNotify: OnConfigure(e.xconfigure); break;
      case FocusIn:
      case FocusOut: {
        if (e.xfocus.detail == NotifyInferior || e.xfocus.detail == NotifyPointer) break;
        const bool gained = e.type == FocusIn;
        if (gained == has_focus_) break;
        has_focus_ = gained;
        delegate_->OnNativeFocus(gained);
        AtkWindowActivated(this, gained);
        break;
      }
      case MotionNotify:
      case EnterNotify: {
        int x = e.type == MotionNotify ? e.xmotion.x : e.xcrossing.x;
        int y = e.type == MotionNotify ? e.xmotion.y : e.xcrossing.y;
        if (dragging_ && e.type == MotionNotify) {
          DragTo(e.xmotion.x_root, e.xmotion.y_root);
          break;
        }
        const unsigned state = e.type == MotionNotify ? e.xmotion.state : e.xcrossing.state;
        delegate_->OnNativeMouse(MouseAction::kMove, UiPoint{x, y}, Modifiers(state), 0);
        if (alive_) SetCursor(delegate_->OnNativeCursor(UiPoint{x, y}));
        break;
      }
      case LeaveNotify:
        if (e.xcrossing.mode == NotifyNormal && !dragging_)
          delegate_->OnNativeMouse(MouseAction::kLeave, UiPoint{-1, -1}, 0, 0);
        break;
      case ButtonPress: OnButtonPress(e.xbutton); break;
      case ButtonRelease: OnButtonRelease(e.xbutton); break;
      case KeyPress:
      case KeyRelease: OnKey(e); break;
      case ClientMessage:
        if (e.xclient.message_type == conn_->atom("WM_PROTOCOLS") &&
            static_cast<Atom>(e.xclient.data.l[0]) == conn_->atom("WM_DELETE_WINDOW"))
          delegate_->OnNativeCloseRequested();
        break;
      default: break;
    }
  }

  static UiRect PrimaryWorkAreaOf(Connection* conn) {
    Display* d = conn->display();
    UiRect screen(0, 0, DisplayWidth(d, conn->screen()), DisplayHeight(d, conn->screen()));
    std::vector<long> area = conn->RootLongs("_NET_WORKAREA", XA_CARDINAL);
    conn->DrainSoon();
    if (area.size() < 4 || area[2] <= 0 || area[3] <= 0) return screen;
    return UiRect(static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[0] + area[2]),
                  static_cast<int>(area[1] + area[3]));
  }

 private:
  SizeKind State() const {
    return minimized_ ? SizeKind::kMinimized : maximized_ ? SizeKind::kMaximized : SizeKind::kRestored;
  }

  bool IsIconic() {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool iconic = false;
    Atom wm_state = conn_->atom("WM_STATE");
    if (XGetWindowProperty(display_, window_, wm_state, 0, 2, False, wm_state, &type, &format, &count, &after,
                           &data) == Success &&
        data && count >= 1 && format == 32)
      iconic = reinterpret_cast<long*>(data)[0] == IconicState;
    if (data) XFree(data);
    conn_->DrainSoon();
    return iconic;
  }

  void OnConfigure(const XConfigureEvent& c) {
    UiRect rect = rect_;
    if (c.send_event || !reparented_) {
      rect.left = c.x;
      rect.top = c.y;
    }
    rect.right = rect.left + c.width;
    rect.bottom = rect.top + c.height;
    const bool resized = rect.Width() != rect_.Width() || rect.Height() != rect_.Height();
    rect_ = rect;
    if (resized) delegate_->OnNativeResized(UiSize{rect.Width(), rect.Height()}, State());
  }

  void OnButtonPress(const XButtonEvent& b) {
    const UiPoint point{b.x, b.y};
    const uint32_t mods = Modifiers(b.state);
    switch (b.button) {
      case Button1: {
        press_root_ = UiPoint{b.x_root, b.y_root};
        const bool double_click = last_press_time_ != 0 && b.time - last_press_time_ <= kDoubleClickMs &&
                                  std::abs(b.x - last_press_.x) <= kDoubleClickSlop &&
                                  std::abs(b.y - last_press_.y) <= kDoubleClickSlop;
        // A third press starts a new pair.
        last_press_time_ = double_click ? 0 : b.time;
        last_press_ = point;
        delegate_->OnNativeMouse(double_click ? MouseAction::kLeftDoubleClick : MouseAction::kLeftDown, point, mods,
                                 0);
        break;
      }
      case Button3: delegate_->OnNativeMouse(MouseAction::kRightDown, point, mods, 0); break;
      case Button4: delegate_->OnNativeMouse(MouseAction::kWheel, point, mods, 120); break;
      case Button5: delegate_->OnNativeMouse(MouseAction::kWheel, point, mods, -120); break;
      default: break;
    }
  }

  void OnButtonRelease(const XButtonEvent& b) {
    if (b.button == Button1 && dragging_) {
      dragging_ = false;
      return;
    }
    if (b.button == Button1)
      delegate_->OnNativeMouse(MouseAction::kLeftUp, UiPoint{b.x, b.y}, Modifiers(b.state), 0);
    else if (b.button == Button3)
      delegate_->OnNativeMouse(MouseAction::kRightUp, UiPoint{b.x, b.y}, Modifiers(b.state), 0);
  }

  void DragTo(int root_x, int root_y) {
    const int x = drag_origin_.x + root_x - drag_start_.x;
    const int y = drag_origin_.y + root_y - drag_start_.y;
    rect_ = UiRect(x, y, x + rect_.Width(), y + rect_.Height());
    XMoveWindow(display_, window_, x, y);
  }

  void OnKey(XEvent& e) {
    if (e.type == KeyRelease && XEventsQueued(display_, QueuedAfterReading) > 0) {
      // Auto-repeat comes as release + press with the same time: drop the
      // release, as the system sends only repeated key-downs on Windows.
      XEvent next;
      XPeekEvent(display_, &next);
      if (next.type == KeyPress && next.xkey.keycode == e.xkey.keycode && next.xkey.time == e.xkey.time) return;
    }
    char text[16] = {};
    KeySym sym = 0;
    int count = XLookupString(&e.xkey, text, sizeof(text), &sym, nullptr);
    const uint32_t mods = Modifiers(e.xkey.state);
    const uint32_t vk = VirtualKeyFor(sym);
    if (e.type == KeyRelease) {
      if (vk) delegate_->OnNativeKey(KeyAction::kUp, vk, mods);
      return;
    }
    if (vk == kVkF4 && (mods & kModAlt)) {
      delegate_->OnNativeCloseRequested();
      return;
    }
    if (vk) delegate_->OnNativeKey(KeyAction::kDown, vk, mods);
    if (!alive_) return;
    char16_t ch = 0;
    if (sym >= 0x1000100 && sym <= 0x110FFFF) {
      if (sym < 0x1010000) ch = static_cast<char16_t>(sym - 0x1000000);
    } else if (count == 1) {
      ch = static_cast<unsigned char>(text[0]);  // Latin-1, or a control code (Ctrl+C is 3)
    }
    if (ch && ch != 0x7F) delegate_->OnNativeChar(ch);
  }

  // Sends what is buffered. Writing can make Xlib read events into its queue
  // while the descriptor then stays quiet: those are handled by a task.
  void Flush() {
    if (conn_->lost_) return;
    XFlush(display_);
    conn_->DrainSoon();
  }

  void FreeResources() {
    if (gc_) XFreeGC(display_, gc_);
    gc_ = nullptr;
    if (colormap_) XFreeColormap(display_, colormap_);
    colormap_ = 0;
  }

  Connection* conn_;
  Display* display_;
  NativeWindowDelegate* delegate_;
  XWindow window_ = 0;
  GC gc_ = nullptr;
  Colormap colormap_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 24;
  bool has_alpha_ = false;
  bool alive_ = false;
  bool mapped_ = false;
  bool minimized_ = false;
  bool maximized_ = false;
  bool reparented_ = false;
  bool has_focus_ = false;
  bool focus_on_map_ = false;
  bool dragging_ = false;
  UiRect rect_;
  UiRect restore_rect_;
  UiPoint press_root_;
  UiPoint drag_start_;
  UiPoint drag_origin_;
  UiPoint last_press_;
  Time last_press_time_ = 0;
  CursorType cursor_ = kCursorArrow;
  std::vector<uint8_t> scratch_;

  friend class Connection;

 public:
  void SetReparented(bool value) { reparented_ = value; }
};

void Connection::Drain() {
  // XPending flushes the output first; the loop ends with nothing queued
  // (or with the connection lost, when nothing more can come).
  while (!lost_ && XPending(display_) > 0) {
    XEvent e;
    XNextEvent(display_, &e);
    auto it = windows_.find(e.xany.window);
    if (it == windows_.end()) continue;
    if (e.type == ReparentNotify) it->second->SetReparented(e.xreparent.parent != root_);
    it->second->Dispatch(e);
  }
}

}  // namespace

std::unique_ptr<NativeWindow> NativeWindow::Create(NativeWindowDelegate* delegate, const NativeWindowParams& params) {
  Connection* conn = Connection::Get();
  if (!conn || !conn->Watch()) return nullptr;
  auto window = std::make_unique<X11NativeWindow>(conn, delegate);
  if (!window->Init(params)) return nullptr;
  conn->DrainSoon();
  return window;
}

UiRect NativeWindow::PrimaryWorkArea() {
  Connection* conn = Connection::Get();
  return conn ? X11NativeWindow::PrimaryWorkAreaOf(conn) : UiRect();
}

namespace {

// The monitors of a multi-head X screen, through libXinerama when the system
// has it (loaded at run time: a single-monitor setup needs nothing more).
struct XineramaMonitor {
  int screen_number;
  short x_org, y_org, width, height;
};

std::vector<UiRect> XineramaMonitors(Display* display) {
  static void* library = dlopen("libXinerama.so.1", RTLD_LAZY | RTLD_LOCAL);
  std::vector<UiRect> monitors;
  if (!library) return monitors;
  using IsActiveFn = int (*)(Display*);
  using QueryFn = XineramaMonitor* (*)(Display*, int*);
  auto is_active = reinterpret_cast<IsActiveFn>(dlsym(library, "XineramaIsActive"));
  auto query = reinterpret_cast<QueryFn>(dlsym(library, "XineramaQueryScreens"));
  if (!is_active || !query || !is_active(display)) return monitors;
  int count = 0;
  XineramaMonitor* list = query(display, &count);
  for (int i = 0; list && i < count; ++i)
    monitors.emplace_back(list[i].x_org, list[i].y_org, list[i].x_org + list[i].width,
                          list[i].y_org + list[i].height);
  if (list) XFree(list);
  return monitors;
}

}  // namespace

UiRect NativeWindow::PointerWorkArea() {
  Connection* conn = Connection::Get();
  if (!conn) return UiRect();
  const UiRect work = X11NativeWindow::PrimaryWorkAreaOf(conn);
  XWindow root_return = 0, child_return = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(conn->display(), conn->root(), &root_return, &child_return, &x, &y, &wx, &wy, &mask))
    return work;
  for (const UiRect& monitor : XineramaMonitors(conn->display())) {
    if (x < monitor.left || x >= monitor.right || y < monitor.top || y >= monitor.bottom) continue;
    // _NET_WORKAREA spans every monitor; keep the part on this one.
    UiRect area = monitor.Intersection(work);
    return area.IsEmpty() ? monitor : area;
  }
  return work;
}

bool NativeWindow::AlphaAvailable() {
  Connection* conn = Connection::Get();
  if (!conn) return false;
  bool composited = conn->Composited();
  conn->DrainSoon();
  return composited;
}

// The plain dialog blocks the UI thread while it is up, so its owner's
// handlers cannot run underneath it: no owner is needed.
void NativeWindow::ShowErrorBox(const String& text, const String& caption, const NativeWindow*) {
  // Also on standard error, where a person who started the program from a
  // terminal (or without a display) sees it.
  std::string line = ToUTF8(caption) + ": " + ToUTF8(text);
  std::fprintf(stderr, "%s\n", line.c_str());
  ShowPlainDialog(ToUTF8(text), ToUTF8(caption), {"OK"}, 0);
}

int NativeWindow::AskSystemQuestion(const String& text, const String& caption, const String& yes, const String& no,
                                    const NativeWindow*) {
  return ShowPlainDialog(ToUTF8(text), ToUTF8(caption), {ToUTF8(yes), ToUTF8(no)}, 2);
}

}  // namespace ui
