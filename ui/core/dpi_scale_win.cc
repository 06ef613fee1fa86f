#include "ui/core/dpi_scale.h"

#include <windows.h>
#include <versionhelpers.h>

namespace ui::dpi_internal {
namespace {

template <class Fn>
Fn User32Function(const char* name) {
  FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

int ScreenLogPixelsX() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

bool MakeProcessDpiAware() {
  if (!IsWindowsVistaOrGreater()) return true;
  using SetAwarenessFn = HRESULT(WINAPI*)(int);
  using SetAwareFn = BOOL(WINAPI*)();
  static const auto setAwareness = User32Function<SetAwarenessFn>("SetProcessDpiAwarenessInternal");
  static const auto setAware = User32Function<SetAwareFn>("SetProcessDPIAware");
  // System awareness (1), as the manifest declares: the scale is chosen once
  // and no WM_DPICHANGED is handled. Access denied: already declared.
  if (setAwareness) {
    const HRESULT result = setAwareness(1);
    if (result == S_OK || result == E_ACCESSDENIED) return true;
  }
  return setAware && setAware() != FALSE;
}

int MainMonitorDpi() {
  if (!IsWindows8OrGreater()) return ScreenLogPixelsX();
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpi = User32Function<GetDpiForMonitorFn>("GetDpiForMonitorInternal");
  if (!getDpi) return 96;
  POINT point = {1, 1};
  UINT x = 0, y = 0;
  if (getDpi(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), 0, &x, &y) != S_OK) return 96;
  return static_cast<int>(x);
}

int SystemDpi() {
  if (!IsWindows8OrGreater()) return ScreenLogPixelsX();
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto getDpi = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  return getDpi ? static_cast<int>(getDpi()) : 96;
}

}  // namespace ui::dpi_internal
