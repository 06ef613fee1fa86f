// DpiScale: the screen scale factor the UI framework applies to layout numbers.
//
// One process-wide instance, used on the UI thread: start-up makes the process
// DPI-aware and sets the scale from the main monitor's DPI (AdaptToScreen);
// reading the system DPI declares the awareness first, because an unaware
// process is told 96 whatever the screen (Windows 10 and later).
//
// The process asks for system awareness, not per-monitor: the scale is fixed
// at start-up, and on a monitor of another scale Windows stretches the window
// (no WM_DPICHANGED handling).
// fonts, sizes and rectangles given at 100 % then go through ScaleValue and
// ScaleRectangle. Until the process is adapted, or while the scale is 100,
// every scaling function returns its input. The platform lookups (user32 on
// Windows, the X server's "Xft.dpi" resource on Linux) are resolved once.
#pragma once

namespace ui {

class DpiScale {
 public:
  static DpiScale& Get();

  // Asks the system to stop scaling the process for it; true once adapted.
  // Does nothing when already adapted.
  bool EnableDpiAwareness();
  // Effective DPI of the main monitor; 96 when it cannot be read.
  int MainMonitorDpi();
  // The system DPI (chooses the theme folder at start-up), read after
  // EnableDpiAwareness(); 96 when unknown.
  int SystemDpi();

  // EnableDpiAwareness(), then scale = SystemDpi() x 100 / 96 (rounded)
  // when adapted; otherwise the scale stays 100.
  void AdaptToScreen();

  int ScaleValue(int value) const;
  // Scales a rectangle (any type with left/top/right/bottom) in place: width,
  // height, left and top are scaled from their unscaled values, then
  // right = left + width and bottom = top + height.
  template <class Rect>
  void ScaleRectangle(Rect* rect) const {
    if (!adapted_ || scale_ == 100) return;
    int width = ScaleValue(static_cast<int>(rect->right - rect->left));
    int height = ScaleValue(static_cast<int>(rect->bottom - rect->top));
    rect->left = ScaleValue(static_cast<int>(rect->left));
    rect->top = ScaleValue(static_cast<int>(rect->top));
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
  }

  // Scale in percent (100 until AdaptToScreen finds otherwise).
  int CurrentScale() const { return scale_; }
  bool IsAdapted() const { return adapted_; }

  // number x numerator / denominator, rounded half away from zero like MulDiv;
  // -1 when `denominator` is 0.
  static int MulDivRounded(int number, int numerator, int denominator);

  void SetForTesting(bool adapted, int scale) {
    adapted_ = adapted;
    scale_ = scale;
  }

  // The system calls, replaceable by tests to see what is asked in which
  // order. Null functions are the platform's own.
  struct Platform {
    bool (*make_process_dpi_aware)() = nullptr;
    int (*main_monitor_dpi)() = nullptr;
    int (*system_dpi)() = nullptr;
  };
  void SetPlatformForTesting(const Platform& platform) { platform_ = platform; }

 private:
  DpiScale() = default;

  bool adapted_ = false;
  int scale_ = 100;
  Platform platform_;
};

// The theme's DPI-class folder for a system DPI: "default" up to 100 DPI,
// "default-hdpi" from 101 to 131, "default-xhdpi" from 132 (96 -> 100 %,
// 120 -> 125 %, 144 -> 150 %). Start-up and the layout tool both choose
// through it.
const char16_t* ThemeClassForDpi(int dpi);

// Platform parts (dpi_scale_win.cc / dpi_scale_linux.cc).
namespace dpi_internal {
bool MakeProcessDpiAware();
int MainMonitorDpi();
int SystemDpi();
}  // namespace dpi_internal

}  // namespace ui
