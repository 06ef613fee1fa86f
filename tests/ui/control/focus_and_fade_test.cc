// Keyboard focus order, the hot fade over time, and the DPI class of a theme.
#include <gtest/gtest.h>

#include <atomic>

#include "base/framework_thread.h"
#include "tests/base/test_support.h"
#include "tests/ui/control/ui_test_support.h"
#include "ui/control/button.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/focus_order.h"

namespace ui {
namespace {

using testing::BuiltWindow;

TEST(FocusOrderTest, ReadingOrderSkipsHiddenDisabledAndNonButtons) {
  BuiltWindow w;
  // Row 1: "b" right of "a" but first in the tree; row 2 holds a check box
  // (16 high) and a link (24 high) whose centres share the row.
  ASSERT_TRUE(w.Build(
      u"<Window><VBox>"
      u"<HBox height=\"30\"><Control/><Button name=\"b\" width=\"20\" height=\"30\"/><Button name=\"a\" width=\"20\" height=\"30\" float=\"true\" pos=\"0,0,20,30\"/></HBox>"
      u"<HBox height=\"24\"><CheckBox name=\"c\" width=\"20\" height=\"16\" valign=\"center\"/>"
      u"<Button name=\"d\" width=\"40\" height=\"24\"/><Label name=\"label\" width=\"40\"/>"
      u"<Button name=\"off\" width=\"20\" height=\"24\" enabled=\"false\"/></HBox>"
      u"<HBox name=\"hidden\" height=\"20\" visible=\"false\"><Button name=\"e\" width=\"20\" height=\"20\"/></HBox>"
      u"</VBox></Window>", 200, 100));
  std::vector<Control*> stops = TabStops(w.root);
  std::vector<String> names;
  for (Control* c : stops) names.push_back(c->GetName());
  EXPECT_EQ(names, (std::vector<String>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(NextTabStop(w.root, w.Find("d"), false), w.Find("a"));  // wraps
  EXPECT_EQ(NextTabStop(w.root, w.Find("a"), true), w.Find("d"));
  EXPECT_EQ(NextTabStop(w.root, w.Find("label"), false), w.Find("a"));  // not a stop: the first
  EXPECT_EQ(NextTabStop(w.root, nullptr, true), w.Find("d"));
}

TEST(ThemeClassTest, DpiClassesMatchStartUp) {
  for (int dpi : {72, 96, 100}) EXPECT_EQ(String(ThemeClassForDpi(dpi)), u"default") << dpi;
  for (int dpi : {101, 120, 131}) EXPECT_EQ(String(ThemeClassForDpi(dpi)), u"default-hdpi") << dpi;
  for (int dpi : {132, 144, 192}) EXPECT_EQ(String(ThemeClassForDpi(dpi)), u"default-xhdpi") << dpi;
}

TEST(HotFadeTest, RisesOverTimeAndTurnsBackFromWhereItStands) {
  // The timer service needs a UI loop: the control lives on one.
  nbase::FrameworkThread ui("fade ui");
  ASSERT_TRUE(ui.LaunchWith(nbase::kLoopWindows));
  BuiltWindow* w = nullptr;
  Button* b = nullptr;
  nbase_test::RunOn(ui, [&] {
    w = new BuiltWindow;
    ASSERT_TRUE(w->Build(u"<Window><Button name=\"b\" normalcolor=\"#FF000000\" hotcolor=\"#FFFFFFFF\"/></Window>",
                         50, 20));
    b = static_cast<Button*>(w->Find("b"));
    b->RaiseEvent(kEventMouseEnter);
    // Not at once: the first step comes with a later tick.
    EXPECT_EQ(b->GetState(), kControlStateHot);
    EXPECT_LT(b->GetHotAlpha(), 255);
  });
  auto alpha = [&] {
    std::atomic<int> value{0};
    nbase_test::RunOn(ui, [&] { value = b->GetHotAlpha(); });
    return value.load();
  };
  ASSERT_TRUE(nbase_test::WaitUntil([&] { return alpha() == 255; }));
  int left_at = 0;
  nbase_test::RunOn(ui, [&] {
    b->RaiseEvent(kEventMouseLeave);
    left_at = b->GetHotAlpha();
  });
  EXPECT_GT(left_at, 0);  // turns back from full, not from 0
  ASSERT_TRUE(nbase_test::WaitUntil([&] { return alpha() == 0; }));
  nbase_test::RunOn(ui, [&] { delete w; });
}

}  // namespace
}  // namespace ui
