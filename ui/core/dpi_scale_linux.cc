// Linux has no per-process DPI virtualisation: the program always scales for
// itself, using the DPI the desktop publishes as the X resource "Xft.dpi".
#include "ui/core/dpi_scale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdlib>

namespace ui::dpi_internal {
namespace {

int ReadXftDpi() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return 96;
  Display* connection = XOpenDisplay(nullptr);
  if (!connection) return 96;
  int dpi = 96;
  if (const char* resources = XResourceManagerString(connection)) {
    XrmInitialize();
    if (XrmDatabase db = XrmGetStringDatabase(resources)) {
      char* type = nullptr;
      XrmValue value = {};
      if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        double parsed = std::strtod(value.addr, nullptr);
        if (parsed >= 24 && parsed <= 960) dpi = static_cast<int>(parsed + 0.5);
      }
      XrmDestroyDatabase(db);
    }
  }
  XCloseDisplay(connection);
  return dpi;
}

int CachedDpi() {
  static const int dpi = ReadXftDpi();
  return dpi;
}

}  // namespace

bool MakeProcessDpiAware() { return true; }
int MainMonitorDpi() { return CachedDpi(); }
int SystemDpi() { return CachedDpi(); }

}  // namespace ui::dpi_internal
