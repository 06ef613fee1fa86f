#include "ui/core/dpi_scale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct Rect {
  int left, top, right, bottom;
};
}  // namespace

TEST(DpiScaleTest, ScalesOnlyWhenAdaptedAndNotAtHundred) {
  ui::DpiScale& scale = ui::DpiScale::Get();
  scale.SetForTesting(true, ui::DpiScale::MulDivRounded(144, 100, 96));
  EXPECT_EQ(scale.CurrentScale(), 150);
  EXPECT_EQ(scale.ScaleValue(14), 21);
  EXPECT_EQ(scale.ScaleValue(-3), -5);  // rounds half away from zero, like MulDiv
  Rect r = {10, 10, 20, 20};
  scale.ScaleRectangle(&r);
  EXPECT_EQ(r.left, 15);
  EXPECT_EQ(r.top, 15);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 30);

  for (auto [adapted, percent] : {std::pair{false, 150}, std::pair{true, 100}}) {
    scale.SetForTesting(adapted, percent);
    Rect same = {1, 2, 7, 9};
    scale.ScaleRectangle(&same);
    EXPECT_EQ(same.right, 7);
    EXPECT_EQ(scale.ScaleValue(14), 14);
  }
  EXPECT_EQ(ui::DpiScale::MulDivRounded(1, 1, 0), -1);
  EXPECT_GT(scale.SystemDpi(), 0);
  scale.SetForTesting(false, 100);
}

namespace {

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

}  // namespace

// An unaware process is told 96 by Windows 10 and later: the awareness is
// declared before the system DPI that picks the theme is read.
TEST(DpiScaleTest, DeclaresAwarenessBeforeReadingTheSystemDpi) {
  ui::DpiScale& scale = ui::DpiScale::Get();
  ui::DpiScale::Platform recorder;
  recorder.make_process_dpi_aware = [] { Calls().push_back("aware"); return true; };
  recorder.main_monitor_dpi = [] { Calls().push_back("monitor"); return 144; };
  recorder.system_dpi = [] { Calls().push_back("system"); return 144; };
  scale.SetPlatformForTesting(recorder);
  scale.SetForTesting(false, 100);
  Calls().clear();

  EXPECT_TRUE(std::u16string(ui::ThemeClassForDpi(scale.SystemDpi())) == u"default-xhdpi");
  scale.AdaptToScreen();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"aware", "system", "system"}));
  EXPECT_EQ(scale.CurrentScale(), 150);

  scale.SetPlatformForTesting({});
  scale.SetForTesting(false, 100);
}
