// Layout arithmetic of rows, columns, plain boxes and floating children.
#include <gtest/gtest.h>

#include "tests/ui/control/ui_test_support.h"
#include "ui/core/attribute_values.h"

namespace ui {
namespace {

using testing::BuiltWindow;

TEST(HLayoutTest, StretchSharesFixedSumAndRemainder) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox><Control name=\"a\"/><Box name=\"b\"/>"
                      u"<Control name=\"c\" width=\"24\" margin=\"6,0,0,0\"/></HBox></Window>", 600, 40));
  EXPECT_EQ(w.RectOf("a"), UiRect(0, 0, 285, 40));
  EXPECT_EQ(w.RectOf("b"), UiRect(285, 0, 570, 40));
  EXPECT_EQ(w.RectOf("c"), UiRect(576, 0, 600, 40));

  BuiltWindow odd;
  ASSERT_TRUE(odd.Build(u"<Window><HBox><Control name=\"a\"/><Control name=\"b\"/></HBox></Window>", 101, 10));
  EXPECT_EQ(odd.RectOf("a").Width(), 51);
  EXPECT_EQ(odd.RectOf("b"), UiRect(51, 0, 101, 10));

  // More fixed width than room: stretch children get nothing, not less.
  BuiltWindow tight;
  ASSERT_TRUE(tight.Build(u"<Window><HBox><Control name=\"a\"/><Control width=\"150\"/></HBox></Window>", 100, 10));
  EXPECT_EQ(tight.RectOf("a").Width(), 0);
}

TEST(HLayoutTest, ChildMarginFloatingAndVerticalAlignment) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox childmargin=\"10\">"
                      u"<Control name=\"a\" width=\"80\"/><Control name=\"f\" float=\"true\" width=\"5\" height=\"5\" margin=\"300,1,0,0\"/>"
                      u"<Control name=\"b\" width=\"80\" height=\"6\" valign=\"center\"/>"
                      u"<Control name=\"c\" width=\"80\" height=\"6\" valign=\"bottom\" margin=\"0,0,0,4\"/></HBox></Window>",
                      600, 40));
  EXPECT_EQ(w.RectOf("a"), UiRect(0, 0, 80, 40));
  EXPECT_EQ(w.RectOf("b"), UiRect(90, 17, 170, 23));
  EXPECT_EQ(w.RectOf("c"), UiRect(180, 30, 260, 36));
  EXPECT_EQ(w.RectOf("f"), UiRect(300, 1, 305, 6));  // floating: takes no room in the row
  auto* box = w.root->AsBox();
  EXPECT_EQ(box->GetLayout()->ArrangeChildren(box->Items(), UiRect(0, 0, 600, 40)).cx, 260);
}

TEST(VLayoutTest, AutoHeightSumsChildrenMarginsAndPadding) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><VBox><VBox name=\"auto\" height=\"auto\" padding=\"2,3,4,5\" childmargin=\"1\">"
                      u"<Control name=\"a\" height=\"10\" margin=\"0,1,0,2\"/><Control name=\"b\" height=\"20\" halign=\"center\" width=\"10\"/>"
                      u"<Control height=\"50\" visible=\"false\"/></VBox><Control name=\"rest\"/></VBox></Window>",
                      100, 200));
  EXPECT_EQ(w.RectOf("auto"), UiRect(0, 0, 100, 3 + 1 + 10 + 2 + 1 + 20 + 5));
  EXPECT_EQ(w.RectOf("a"), UiRect(2, 4, 96, 14));
  EXPECT_EQ(w.RectOf("b"), UiRect(2 + (0 + 94 - 0 - 10) / 2, 17, 2 + 42 + 10, 37));
  EXPECT_EQ(w.RectOf("rest"), UiRect(0, 42, 100, 200));
}

TEST(LayoutTest, PlainBoxAlignsAndClampsChildren) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><Box>"
                      u"<Control name=\"c\" width=\"40\" height=\"20\" halign=\"center\" valign=\"center\"/>"
                      u"<Control name=\"r\" width=\"10\" height=\"10\" halign=\"right\" valign=\"bottom\" margin=\"0,0,5,5\"/>"
                      u"<Control name=\"s\" maxwidth=\"30\" minheight=\"500\" maxheight=\"stretch\"/>"
                      u"</Box></Window>", 200, 100));
  EXPECT_EQ(w.RectOf("c"), UiRect(80, 40, 120, 60));
  EXPECT_EQ(w.RectOf("r"), UiRect(185, 85, 195, 95));
  // A negative maximum height is ignored like a negative maximum width.
  EXPECT_EQ(w.RectOf("s"), UiRect(0, 0, 30, 500));
}

TEST(LayoutTest, SizeAttributesAndVisibility) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox><Control name=\"a\" width=\"-5\" minwidth=\"-5\"/>"
                      u"<Control name=\"b\" width=\"30\"/></HBox></Window>", 100, 10));
  Control* a = w.Find("a");
  EXPECT_EQ(a->FixedWidth(), kSizeStretch);
  EXPECT_EQ(a->MinWidth(), -1);
  a->SetVisible(false);
  EXPECT_TRUE(w.window->IsLayoutNeeded());
  w.window->Arrange(UiRect(0, 0, 100, 10));
  EXPECT_EQ(w.RectOf("b"), UiRect(0, 0, 30, 10));

  DpiScale::Get().SetForTesting(true, 150);
  Control scaled;
  scaled.ApplyAttribute(u"width", u"40");
  scaled.ApplyAttribute(u"margin", u"2,4,6,8");
  EXPECT_EQ(scaled.FixedWidth(), 60);
  EXPECT_EQ(scaled.GetMargin(), UiRect(3, 6, 9, 12));
  DpiScale::Get().SetForTesting(true, 100);
}

TEST(ControlSearchTest, HitTestFindsTopmostVisibleControl) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><Box name=\"root\"><Control name=\"under\"/>"
                      u"<Control name=\"over\" width=\"50\" height=\"50\"/>"
                      u"<Control name=\"gone\" width=\"10\" height=\"10\" visible=\"false\"/>"
                      u"<Box name=\"deaf\" mousechild=\"false\" width=\"20\" height=\"20\" halign=\"right\"><Control name=\"inner\"/></Box>"
                      u"</Box></Window>", 100, 100));
  EXPECT_EQ(w.window->LocateControl(UiPoint{5, 5}), w.Find("over"));
  EXPECT_EQ(w.window->LocateControl(UiPoint{70, 70}), w.Find("under"));
  EXPECT_EQ(w.window->LocateControl(UiPoint{90, 5}), w.Find("deaf"));
  EXPECT_EQ(w.window->LocateControl(UiPoint{500, 5}), nullptr);
}

// Numbers near INT_MAX are clamped when read and rows are summed in 64
// bits: places keep their order instead of wrapping to negative values.
TEST(HLayoutTest, HugeNumbersAreClampedAndSummedWithoutOverflow) {
  String xml = u"<Window><VBox><HBox name=\"row\" width=\"auto\" height=\"auto\" childmargin=\"2147483647\">";
  for (int i = 0; i < 300; ++i)
    xml += u"<Control width=\"2147483647\" height=\"99999999999\" margin=\"2147483647,0,2147483647,0\"/>";
  xml += u"</HBox><Control name=\"after\" height=\"-2147483648\"/></VBox></Window>";
  BuiltWindow w;
  ASSERT_TRUE(w.Build(xml, 600, 400));
  Box* row = w.Find("row")->AsBox();
  ASSERT_EQ(row->Count(), 300u);
  EXPECT_EQ(row->GetAt(0)->FixedWidth(), kMaxAttributeNumber);
  EXPECT_GT(row->GetRect().Width(), 0);
  EXPECT_GT(row->GetRect().Height(), 0);
  int last_left = -1;
  for (size_t i = 0; i < row->Count(); ++i) {
    const UiRect& r = row->GetAt(i)->GetRect();
    EXPECT_GE(r.left, last_left) << i;
    EXPECT_LE(r.left, r.right) << i;
    last_left = r.left;
  }
  EXPECT_GE(w.RectOf("after").top, row->GetRect().bottom);
}

}  // namespace
}  // namespace ui
