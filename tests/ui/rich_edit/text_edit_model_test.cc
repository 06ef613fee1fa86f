#include "ui/control/text_edit_model.h"

#include <gtest/gtest.h>

#include "tests/ui/rich_edit/fixed_width_measurer.h"
#include "ui/control/text_layout.h"

namespace ui {
namespace {

TEST(TextEditModelTest, SelectReplaceAndDelete) {
  TextEditModel model;
  model.SetText(u"hello world");
  EXPECT_EQ(model.Caret(), 11u);
  EXPECT_FALSE(model.HasSelection());

  model.Select(6, 11);
  EXPECT_EQ(model.SelectedText(), u"world");
  EXPECT_TRUE(model.ReplaceSelection(u"there"));
  EXPECT_EQ(model.Text(), u"hello there");
  EXPECT_EQ(model.Caret(), 11u);

  // A backwards selection (anchor after caret) deletes the same range.
  model.Select(5, 0);
  EXPECT_TRUE(model.DeleteForward());
  EXPECT_EQ(model.Text(), u" there");
  EXPECT_EQ(model.Caret(), 0u);
  EXPECT_FALSE(model.DeleteBackward());  // nothing before the caret
  EXPECT_TRUE(model.DeleteForward());
  EXPECT_EQ(model.Text(), u"there");
  model.MoveTo(99, false);  // clamped to the end
  EXPECT_FALSE(model.DeleteForward());
  EXPECT_TRUE(model.DeleteBackward());
  EXPECT_EQ(model.Text(), u"ther");
}

TEST(TextEditModelTest, SurrogatePairsStayWhole) {
  TextEditModel model;
  model.SetText(u"a\U0001F600b");  // a, one emoji (two units), b
  model.MoveTo(3, false);
  EXPECT_EQ(model.PreviousPosition(3), 1u);
  EXPECT_EQ(model.NextPosition(1), 3u);
  model.Select(2, 2);  // inside the pair: moved before it
  EXPECT_EQ(model.Caret(), 1u);
  model.MoveTo(3, false);
  EXPECT_TRUE(model.DeleteBackward());
  EXPECT_EQ(model.Text(), u"ab");

  // A limit that would split a pair leaves the whole pair out.
  model.SetText(u"ab");
  model.SetMaxLength(3);
  EXPECT_FALSE(model.ReplaceSelection(u"\U0001F600"));
  EXPECT_EQ(model.Text(), u"ab");
  EXPECT_TRUE(model.ReplaceSelection(u"xyz"));
  EXPECT_EQ(model.Text(), u"abx");
}

TEST(TextEditModelTest, LineBreaksAndSingleLine) {
  TextEditModel model;
  model.SetText(u"one\r\ntwo\rthree");
  EXPECT_EQ(model.Text(), u"one\ntwo\nthree");
  model.SetMultiLine(false);
  EXPECT_EQ(model.Text(), u"one");
  EXPECT_EQ(model.Caret(), 3u);
  EXPECT_TRUE(model.ReplaceSelection(u"!\nlost"));
  EXPECT_EQ(model.Text(), u"one!");
  model.SetText(u"a\nb");
  EXPECT_EQ(model.Text(), u"a");
}

TEST(TextEditModelTest, WordMovement) {
  TextEditModel model;
  model.SetText(u"copy the  file");
  EXPECT_EQ(model.PreviousWordStart(14), 10u);
  EXPECT_EQ(model.PreviousWordStart(10), 5u);
  EXPECT_EQ(model.NextWordStart(0), 5u);
  EXPECT_EQ(model.NextWordStart(5), 10u);
  EXPECT_EQ(model.NextWordStart(10), 14u);
}

TEST(TextLayoutTest, WrapsAtSpacesAndCutsLongWords) {
  testing::FixedWidthMeasurer measurer;
  TextLayout layout;
  // 100 px: ten characters a line.
  layout.Build(u"install the product now\n\nabcdefghijklmnopqrstuvwxy", 100, measurer);
  const auto& lines = layout.Lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].start, 0u);   // "install " (the space stays, not counted)
  EXPECT_EQ(lines[0].end, 8u);
  EXPECT_EQ(lines[0].width, 70);
  EXPECT_EQ(lines[1].end, 12u);    // "the product" is 110 px: "the " alone
  EXPECT_EQ(lines[2].end, 20u);    // "product "
  EXPECT_EQ(lines[3].start, 20u);  // "now", up to the line break
  EXPECT_EQ(lines[3].end, 23u);
  EXPECT_EQ(lines[4].start, lines[4].end);  // the empty paragraph
  EXPECT_EQ(lines[5].end - lines[5].start, 10u);  // a 25-letter word in 10, 10, 5
  EXPECT_EQ(lines[7].end - lines[7].start, 5u);
  EXPECT_EQ(layout.Height(), 8 * 20);

  // A width narrower than one character still places one per line.
  layout.Build(u"abc", 3, measurer);
  EXPECT_EQ(layout.Lines().size(), 3u);
  // No wrap width: only line breaks end lines.
  layout.Build(u"install the product now", 0, measurer);
  EXPECT_EQ(layout.Lines().size(), 1u);
  EXPECT_EQ(layout.Width(), 230);
}

// An edit's longest text (32,767 characters) without a break: each line is
// measured near itself only. Measuring the rest of the paragraph for every
// line cost about 27 M characters here; the bound allows a constant number of
// characters per character of text.
TEST(TextLayoutTest, LongUnbrokenTextIsMeasuredInLinearTime) {
  struct Counting : testing::FixedWidthMeasurer {
    long long characters = 0;
    int Width(StringView text) override {
      characters += static_cast<long long>(text.size());
      return FixedWidthMeasurer::Width(text);
    }
  } measurer;
  const String text = String(32767, u'x') + u" tail";
  TextLayout layout;
  layout.Build(text, 300, measurer);  // 30 characters a line
  ASSERT_EQ(layout.Lines().size(), 32767u / 30 + 1);
  EXPECT_EQ(layout.Lines()[0].end, 30u);
  EXPECT_EQ(layout.Lines().back().start, 32760u);  // "xxxxxxx tail"
  EXPECT_LT(measurer.characters, 20LL * static_cast<long long>(text.size()));
  // Spaces past the width still let the line break after them.
  layout.Build(u"abc" + String(40, u' ') + u"def", 100, measurer);
  ASSERT_EQ(layout.Lines().size(), 2u);
  EXPECT_EQ(layout.Lines()[0].width, 30);
  EXPECT_EQ(layout.Lines()[1].start, 43u);
}

TEST(TextLayoutTest, PositionsAndPoints) {
  testing::FixedWidthMeasurer measurer;
  TextLayout layout;
  layout.Build(u"abcd efgh", 50, measurer);  // "abcd " / "efgh"
  ASSERT_EQ(layout.Lines().size(), 2u);
  EXPECT_EQ(layout.LineOf(4), 0u);
  EXPECT_EQ(layout.LineOf(5), 1u);  // the wrap point shows on the next line
  EXPECT_EQ(layout.XOf(7, measurer), 20);
  EXPECT_EQ(layout.PositionAt(1, 14, measurer), 6u);   // nearer to the boundary at 10
  EXPECT_EQ(layout.PositionAt(1, 16, measurer), 7u);   // past the middle of 'f'
  EXPECT_EQ(layout.PositionAt(1, -30, measurer), 5u);
  EXPECT_EQ(layout.PositionAt(1, 999, measurer), 9u);
  EXPECT_EQ(layout.PositionAt(0, 999, measurer), 4u);  // stays before the wrap point
}

}  // namespace
}  // namespace ui
