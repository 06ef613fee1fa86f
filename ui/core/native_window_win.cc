// The native window on Windows: a WS_POPUP window of its own class, layered
// (per-pixel alpha through UpdateLayeredWindow) unless asked otherwise. Frames
// are copied into a DIB section of the client's size and handed to the system
// whole (layered) or blitted for the dirty part (plain).
#include <windows.h>

#include <cstring>

#include "ui/accessibility/msaa_win.h"
#include "ui/core/native_window.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

const wchar_t* W(const String& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

UiRect FromRect(const RECT& r) { return UiRect(r.left, r.top, r.right, r.bottom); }

uint32_t Modifiers() {
  uint32_t m = 0;
  if (GetKeyState(VK_SHIFT) < 0) m |= kModShift;
  if (GetKeyState(VK_CONTROL) < 0) m |= kModControl;
  if (GetKeyState(VK_MENU) < 0) m |= kModAlt;
  return m;
}

UiPoint PointOf(LPARAM lparam) {
  return UiPoint{static_cast<int>(static_cast<short>(LOWORD(lparam))),
                 static_cast<int>(static_cast<short>(HIWORD(lparam)))};
}

LRESULT HitCode(HitArea area) {
  switch (area) {
    case HitArea::kCaption: return HTCAPTION;
    case HitArea::kLeft: return HTLEFT;
    case HitArea::kTop: return HTTOP;
    case HitArea::kRight: return HTRIGHT;
    case HitArea::kBottom: return HTBOTTOM;
    case HitArea::kTopLeft: return HTTOPLEFT;
    case HitArea::kTopRight: return HTTOPRIGHT;
    case HitArea::kBottomLeft: return HTBOTTOMLEFT;
    case HitArea::kBottomRight: return HTBOTTOMRIGHT;
    case HitArea::kClient: break;
  }
  return HTCLIENT;
}

class Win32NativeWindow : public NativeWindow {
 public:
  explicit Win32NativeWindow(NativeWindowDelegate* delegate) : delegate_(delegate) {}

  ~Win32NativeWindow() override {
    if (hwnd_) {
      // Quietly: the delegate is being destroyed.
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      HWND hwnd = hwnd_;
      hwnd_ = nullptr;
      DestroyWindow(hwnd);
    }
    FreeSurface();
  }

  bool Init(const NativeWindowParams& params) {
    // Fonts and sizes are in physical pixels of the system DPI.
    static const bool dpi_aware = SetProcessDPIAware() != FALSE;
    (void)dpi_aware;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    String class_name = params.class_name.empty() ? String(u"LumaCastWindow") : params.class_name;
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32NativeWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = W(class_name);
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    layered_ = params.want_alpha;
    DWORD ex_style = layered_ ? WS_EX_LAYERED : 0;
    if (params.tool_window) ex_style |= WS_EX_TOOLWINDOW;
    HWND owner = params.owner ? reinterpret_cast<HWND>(params.owner->Handle()) : nullptr;
    const UiRect& r = params.rect;
    HWND hwnd = CreateWindowExW(ex_style, W(class_name), W(params.title),
                                WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, r.left,
                                r.top, r.Width(), r.Height(), owner, nullptr, instance, this);
    return hwnd != nullptr;
  }

  // ---- NativeWindow ----
  bool HasAlpha() const override { return layered_; }
  bool IsAlive() const override { return hwnd_ != nullptr; }

  void Show(bool show, bool take_focus) override {
    // From its first showing on, the window tells assistive technology of
    // its changes, whether or not a client has asked for it yet.
    if (show) Msaa();
    if (hwnd_) ShowWindow(hwnd_, !show ? SW_HIDE : take_focus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);
  }
  void Minimize() override {
    if (hwnd_) ShowWindow(hwnd_, SW_MINIMIZE);
  }
  void Maximize() override {
    if (hwnd_) ShowWindow(hwnd_, SW_MAXIMIZE);
  }
  void Restore() override {
    if (hwnd_) ShowWindow(hwnd_, SW_RESTORE);
  }
  bool IsMinimized() const override { return hwnd_ && IsIconic(hwnd_); }
  bool IsMaximized() const override { return hwnd_ && IsZoomed(hwnd_); }

  void BringToFront() override {
    if (!hwnd_) return;
    if (IsIconic(hwnd_)) {
      ShowWindow(hwnd_, SW_RESTORE);
      return;
    }
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
  }

  void SetTitle(const String& title) override {
    if (hwnd_) SetWindowTextW(hwnd_, W(title));
  }

  UiRect GetScreenRect() const override {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return FromRect(r);
  }

  void Move(const UiRect& rect) override {
    if (hwnd_ && !rect.IsEmpty())
      SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }

  UiRect WorkArea() const override {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (hwnd_ && GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &info))
      return FromRect(info.rcWork);
    return PrimaryWorkArea();
  }

  bool Present(const IRenderContext& frame, const UiRect& dirty, uint8_t alpha) override {
    if (!hwnd_ || !frame.Bits()) return false;
    const int w = frame.Width(), h = frame.Height();
    if (!EnsureSurface(w, h)) return false;
    const UiRect area = dirty.Intersection(UiRect(0, 0, w, h));
    if (area.IsEmpty()) return false;
    // Only the dirty rows change; the surface keeps the rest of the last frame.
    for (int y = area.top; y < area.bottom; ++y)
      std::memcpy(surface_bits_ + (static_cast<size_t>(y) * w + area.left) * 4,
                  frame.Bits() + (static_cast<size_t>(y) * w + area.left) * 4, static_cast<size_t>(area.Width()) * 4);
    GdiFlush();
    if (layered_) {
      RECT wr{};
      GetWindowRect(hwnd_, &wr);
      POINT position{wr.left, wr.top};
      SIZE size{w, h};
      POINT source{0, 0};
      BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
      return UpdateLayeredWindow(hwnd_, nullptr, &position, &size, surface_dc_, &source, 0, &blend, ULW_ALPHA) !=
             FALSE;
    }
    HDC dc = GetDC(hwnd_);
    if (!dc) return false;
    BitBlt(dc, area.left, area.top, area.Width(), area.Height(), surface_dc_, area.left, area.top, SRCCOPY);
    ReleaseDC(hwnd_, dc);
    return true;
  }

  void SetCursor(CursorType cursor) override {
    const wchar_t* id = cursor == kCursorHand ? IDC_HAND : cursor == kCursorIBeam ? IDC_IBEAM : IDC_ARROW;
    ::SetCursor(LoadCursorW(nullptr, id));
  }

  void CaptureMouse(bool capture) override {
    if (!hwnd_) return;
    if (capture) SetCapture(hwnd_);
    else if (GetCapture() == hwnd_) ReleaseCapture();
  }

  void TakeFocus() override {
    if (hwnd_) SetFocus(hwnd_);
  }
  bool HasFocus() const override { return hwnd_ && GetFocus() == hwnd_; }

  void SetInputEnabled(bool enabled) override {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
  }

  // Caption presses normally never reach the client (WM_NCHITTEST says
  // HTCAPTION); a caller may still start the system's move loop.
  void BeginCaptionDrag(UiPoint) override {
    if (!hwnd_) return;
    ReleaseCapture();
    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  }

  void Destroy() override {
    if (hwnd_) DestroyWindow(hwnd_);
  }

  uintptr_t Handle() const override { return reinterpret_cast<uintptr_t>(hwnd_); }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Win32NativeWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
      self->msaa_.reset();
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      self->delegate_->OnNativeDestroyed();
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    LRESULT result = 0;
    if (self->HandleMessage(message, wparam, lparam, &result)) return result;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  // The window's accessibility server, made on first use (null when the
  // window offers no tree).
  MsaaServer* Msaa() {
    if (!msaa_ && hwnd_)
      if (AccessibleTree* tree = delegate_->OnNativeAccessibleTree()) msaa_ = std::make_unique<MsaaServer>(hwnd_, tree);
    return msaa_.get();
  }

  UiPoint CursorClientPoint() const {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    return UiPoint{p.x, p.y};
  }

  // True when the message is handled (*result holds the answer).
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    NativeWindowDelegate* d = delegate_;
    switch (message) {
      case WM_NCCALCSIZE:
      case WM_NCPAINT:
      case WM_NCLBUTTONDBLCLK:  // double-clicking the caption does not maximise
        *result = 0;
        return true;
      case WM_NCACTIVATE:
        if (IsIconic(hwnd_)) return false;
        *result = wparam == 0 ? TRUE : FALSE;
        return true;
      case WM_NCHITTEST: {
        POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ScreenToClient(hwnd_, &p);
        *result = HitCode(d->OnNativeHitTest(UiPoint{p.x, p.y}));
        return true;
      }
      case WM_SETCURSOR:
        if (LOWORD(lparam) != HTCLIENT) return false;
        SetCursor(d->OnNativeCursor(CursorClientPoint()));
        *result = TRUE;
        return true;
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd_, &ps);
        EndPaint(hwnd_, &ps);
        d->OnNativeExposed(FromRect(ps.rcPaint));
        return true;
      }
      case WM_SHOWWINDOW:
        if (wparam) {
          RECT r{};
          GetClientRect(hwnd_, &r);
          d->OnNativeExposed(FromRect(r));
        }
        return false;
      case WM_SIZE: {
        SizeKind kind = wparam == SIZE_MINIMIZED   ? SizeKind::kMinimized
                        : wparam == SIZE_MAXIMIZED ? SizeKind::kMaximized
                                                   : SizeKind::kRestored;
        d->OnNativeResized(UiSize{LOWORD(lparam), HIWORD(lparam)}, kind);
        return true;
      }
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        d->OnNativeFocus(message == WM_SETFOCUS);
        if (message == WM_SETFOCUS && msaa_) msaa_->OnWindowFocused();
        return false;
      case WM_GETOBJECT:
        return Msaa() && msaa_->HandleGetObject(wparam, lparam, result);
      case WM_CLOSE:
        d->OnNativeCloseRequested();
        return true;
      case WM_MOUSEMOVE:
        if (!tracking_) {
          TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
          tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        d->OnNativeMouse(MouseAction::kMove, PointOf(lparam), Modifiers(), 0);
        return true;
      case WM_MOUSELEAVE:
        tracking_ = false;
        d->OnNativeMouse(MouseAction::kLeave, UiPoint{-1, -1}, 0, 0);
        return true;
      case WM_LBUTTONDOWN:
        d->OnNativeMouse(MouseAction::kLeftDown, PointOf(lparam), Modifiers(), 0);
        return true;
      case WM_LBUTTONDBLCLK:
        d->OnNativeMouse(MouseAction::kLeftDoubleClick, PointOf(lparam), Modifiers(), 0);
        return true;
      case WM_LBUTTONUP:
        d->OnNativeMouse(MouseAction::kLeftUp, PointOf(lparam), Modifiers(), 0);
        return true;
      case WM_RBUTTONDOWN:
        d->OnNativeMouse(MouseAction::kRightDown, PointOf(lparam), Modifiers(), 0);
        return true;
      case WM_RBUTTONUP:
        d->OnNativeMouse(MouseAction::kRightUp, PointOf(lparam), Modifiers(), 0);
        return true;
      case WM_MOUSEWHEEL: {
        POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ScreenToClient(hwnd_, &p);
        d->OnNativeMouse(MouseAction::kWheel, UiPoint{p.x, p.y}, Modifiers(),
                         static_cast<short>(HIWORD(wparam)));
        return true;
      }
      case WM_KEYDOWN:
        d->OnNativeKey(KeyAction::kDown, static_cast<uint32_t>(wparam), Modifiers());
        return true;
      case WM_KEYUP:
        d->OnNativeKey(KeyAction::kUp, static_cast<uint32_t>(wparam), Modifiers());
        return true;
      case WM_CHAR:
        d->OnNativeChar(static_cast<char16_t>(wparam));
        return true;
      default:
        return false;
    }
  }

  bool EnsureSurface(int w, int h) {
    if (surface_dc_ && surface_size_.cx == w && surface_size_.cy == h) return true;
    FreeSurface();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    surface_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!surface_) return false;
    surface_dc_ = CreateCompatibleDC(nullptr);
    old_bitmap_ = SelectObject(surface_dc_, surface_);
    surface_bits_ = static_cast<uint8_t*>(bits);
    surface_size_ = UiSize{w, h};
    return true;
  }

  void FreeSurface() {
    if (surface_dc_) {
      SelectObject(surface_dc_, old_bitmap_);
      DeleteDC(surface_dc_);
    }
    if (surface_) DeleteObject(surface_);
    surface_dc_ = nullptr;
    surface_ = nullptr;
    surface_bits_ = nullptr;
    surface_size_ = UiSize();
  }

  NativeWindowDelegate* delegate_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<MsaaServer> msaa_;
  bool layered_ = true;
  bool tracking_ = false;
  HBITMAP surface_ = nullptr;
  HDC surface_dc_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  uint8_t* surface_bits_ = nullptr;
  UiSize surface_size_;
};

}  // namespace

std::unique_ptr<NativeWindow> NativeWindow::Create(NativeWindowDelegate* delegate, const NativeWindowParams& params) {
  auto window = std::make_unique<Win32NativeWindow>(delegate);
  if (!window->Init(params)) return nullptr;
  return window;
}

UiRect NativeWindow::PrimaryWorkArea() {
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return UiRect();
  return FromRect(r);
}

UiRect NativeWindow::PointerWorkArea() {
  POINT pointer{};
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetCursorPos(&pointer) && GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &info))
    return FromRect(info.rcWork);
  return PrimaryWorkArea();
}

bool NativeWindow::AlphaAvailable() { return true; }

namespace {

HWND OwnerHandle(const NativeWindow* owner) {
  return owner && owner->IsAlive() ? reinterpret_cast<HWND>(owner->Handle()) : nullptr;
}

}  // namespace

void NativeWindow::ShowErrorBox(const String& text, const String& caption, const NativeWindow* owner) {
  MessageBoxW(OwnerHandle(owner), W(text), W(caption), MB_ICONERROR);
}

int NativeWindow::AskSystemQuestion(const String& text, const String& caption, const String& yes, const String& no,
                                    const NativeWindow* owner) {
  // The system box has fixed button names: say which one means what.
  const String body = text + u"\n\n" + u"Yes: " + yes + u"\nNo: " + no;
  switch (MessageBoxW(OwnerHandle(owner), W(body), W(caption), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return 0;
    case IDNO: return 1;
    case IDCANCEL: return 2;
    default: return -1;
  }
}

}  // namespace ui
