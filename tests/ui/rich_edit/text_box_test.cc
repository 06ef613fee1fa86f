#include "ui/control/text_box.h"

#include <gtest/gtest.h>

#include "tests/ui/rich_edit/fixed_width_measurer.h"
#include "ui/core/native_window.h"

namespace ui {
namespace {

class CountingDelegate : public RichEditEngine::Delegate {
 public:
  void OnEngineTextChanged() override { ++changes; }
  void OnEngineRepaint() override { ++repaints; }
  void OnEngineCaretMoved() override { ++caret_moves; }
  int changes = 0;
  int repaints = 0;
  int caret_moves = 0;
};

// A box at (100, 50), 100 x 60 pixels: ten characters by three lines.
class TextBoxTest : public ::testing::Test {
 protected:
  TextBoxTest() : box_(&delegate_, [](int) { return std::make_unique<testing::FixedWidthMeasurer>(); }) {
    box_.Place(UiRect(100, 50, 200, 110));
    box_.SetFocus(true);
  }
  void SetFormat(bool multi_line, bool read_only) {
    TextBoxFormat format;
    format.multi_line = multi_line;
    format.read_only = read_only;
    box_.SetFormat(format);
  }
  void Type(StringView text) {
    for (char16_t c : text) box_.Char(c);
  }
  // The window point of character `column` on `line`, left half.
  static UiPoint At(int column, int line) { return UiPoint{100 + column * 10 + 2, 50 + line * 20 + 5}; }

  CountingDelegate delegate_;
  TextBox box_;
};

TEST_F(TextBoxTest, TypingDeletingAndKeyboardSelection) {
  SetFormat(false, false);
  Type(u"folder");
  EXPECT_EQ(box_.GetText(), u"folder");
  EXPECT_EQ(delegate_.changes, 6);
  box_.KeyDown(kVkBack, 0);
  box_.KeyDown(kVkHome, 0);
  box_.KeyDown(kVkDelete, 0);
  EXPECT_EQ(box_.GetText(), u"olde");
  box_.KeyDown(kVkRight, kModShift);
  box_.KeyDown(kVkRight, kModShift);
  EXPECT_EQ(box_.Model().SelectedText(), u"ol");
  Type(u"X");
  EXPECT_EQ(box_.GetText(), u"Xde");
  // Control characters (Ctrl+C comes as 3, Escape as 27) are not text; a
  // single-line box takes no line break.
  Type(u"\x03\x1b\r");
  EXPECT_EQ(box_.GetText(), u"Xde");
  box_.KeyDown(u'A', kModControl);
  EXPECT_EQ(box_.Model().SelectedText(), u"Xde");
  box_.KeyDown(kVkRight, 0);  // collapses to the end
  EXPECT_EQ(box_.Model().Caret(), 3u);
  EXPECT_FALSE(box_.Model().HasSelection());
  EXPECT_EQ(delegate_.changes, 9);
}

TEST_F(TextBoxTest, ReadOnlySelectsButNeverChanges) {
  SetFormat(true, true);
  box_.SetText(u"C:\\Program Files");
  Type(u"x");
  box_.KeyDown(kVkBack, 0);
  box_.KeyDown(u'X', kModControl);
  box_.KeyDown(u'V', kModControl);
  box_.ReplaceSelection(u"");  // nothing selected: no change
  EXPECT_EQ(box_.GetText(), u"C:\\Program Files");
  EXPECT_EQ(delegate_.changes, 0);
  box_.KeyDown(kVkHome, kModControl | kModShift);
  EXPECT_EQ(box_.Model().SelectedText(), u"C:\\Program Files");
}

TEST_F(TextBoxTest, MouseSelectionAndDoubleClick) {
  SetFormat(true, false);
  box_.SetText(u"abcd efgh ijkl");  // "abcd efgh " / "ijkl"
  box_.ButtonDown(At(1, 0), 0);
  box_.MouseMove(At(2, 1));
  box_.ButtonUp(At(2, 1));
  EXPECT_EQ(box_.Model().SelectedText(), u"bcd efgh ij");
  box_.MouseMove(At(0, 0));  // button up: moving selects nothing more
  EXPECT_EQ(box_.Model().SelectedText(), u"bcd efgh ij");
  box_.ButtonDown(At(3, 0), kModShift);  // Shift+click extends from the anchor
  box_.ButtonUp(At(3, 0));
  EXPECT_EQ(box_.Model().SelectedText(), u"bc");
  box_.DoubleClick(At(0, 1));
  EXPECT_EQ(box_.Model().SelectedText(), u"abcd efgh ijkl");
  // Below the last line: the end of the last line.
  box_.ButtonDown(UiPoint{300, 500}, 0);
  EXPECT_EQ(box_.Model().Caret(), 14u);
}

TEST_F(TextBoxTest, LinesNaturalHeightAndCaret) {
  SetFormat(true, false);
  box_.SetText(u"one two three four five");
  // 100 px wide: "one two " / "three four " / "five".
  EXPECT_EQ(box_.NaturalHeight(100), 60);
  EXPECT_EQ(box_.NaturalHeight(1000), 20);
  EXPECT_EQ(box_.NaturalHeight(40), 120);  // "one " "two " "thre" "e " "four " "five"
  box_.KeyDown(kVkHome, kModControl);
  box_.KeyDown(kVkRight, 0);
  box_.KeyDown(kVkDown, 0);  // column 1 on the next line
  EXPECT_EQ(box_.Model().Caret(), 9u);
  box_.KeyDown(kVkEnd, 0);   // before the wrap point
  EXPECT_EQ(box_.Model().Caret(), 18u);
  EXPECT_EQ(box_.CaretRect(), UiRect(199, 70, 200, 90));  // kept inside the box
  Type(u"\r");
  EXPECT_EQ(box_.GetText(), u"one two three four\n five");
  box_.SetFocus(false);
  EXPECT_TRUE(box_.CaretRect().IsEmpty());

  SetFormat(false, false);
  EXPECT_EQ(box_.NaturalHeight(40), 20);
}

TEST_F(TextBoxTest, LongSingleLineScrollsToTheCaret) {
  SetFormat(false, false);
  box_.SetText(u"0123456789abcdefghij");  // 200 px in a 100 px box
  // The caret at the end stays inside the box.
  UiRect caret = box_.CaretRect();
  EXPECT_FALSE(caret.IsEmpty());
  EXPECT_LE(caret.right, 200);
  box_.KeyDown(kVkHome, 0);
  EXPECT_EQ(box_.CaretRect().left, 100);
  EXPECT_EQ(box_.PositionAt(At(3, 0)), 3u);
}

}  // namespace
}  // namespace ui
