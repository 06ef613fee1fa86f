#include "ui/core/dpi_scale.h"

#include <cstdint>

namespace ui {

DpiScale& DpiScale::Get() {
  static DpiScale* instance = new DpiScale();
  return *instance;
}

bool DpiScale::EnableDpiAwareness() {
  if (!adapted_)
    adapted_ = platform_.make_process_dpi_aware ? platform_.make_process_dpi_aware()
                                                : dpi_internal::MakeProcessDpiAware();
  return adapted_;
}

int DpiScale::MainMonitorDpi() {
  return platform_.main_monitor_dpi ? platform_.main_monitor_dpi() : dpi_internal::MainMonitorDpi();
}

int DpiScale::SystemDpi() {
  // Unaware, the process would be told 96 (and get the 100 % theme, scaled up).
  EnableDpiAwareness();
  return platform_.system_dpi ? platform_.system_dpi() : dpi_internal::SystemDpi();
}

void DpiScale::AdaptToScreen() {
  // The system DPI, the one the theme was chosen by: a system-aware window
  // keeps it on every monitor (the system stretches it elsewhere).
  if (EnableDpiAwareness()) scale_ = MulDivRounded(SystemDpi(), 100, 96);
}

int DpiScale::ScaleValue(int value) const {
  if (!adapted_ || scale_ == 100) return value;
  return MulDivRounded(value, scale_, 100);
}

int DpiScale::MulDivRounded(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t product = static_cast<int64_t>(number) * numerator;
  int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
  bool negative = (product < 0) != (denominator < 0);
  int64_t magnitude = (product < 0 ? -product : product) + half;
  int64_t quotient = magnitude / (denominator < 0 ? -denominator : denominator);
  return static_cast<int>(negative ? -quotient : quotient);
}

const char16_t* ThemeClassForDpi(int dpi) {
  if (dpi <= 100) return u"default";
  if (dpi <= 131) return u"default-hdpi";
  return u"default-xhdpi";
}

}  // namespace ui
