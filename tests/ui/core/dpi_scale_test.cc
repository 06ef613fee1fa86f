#include "ui/core/dpi_scale.h"

#include <gtest/gtest.h>

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
