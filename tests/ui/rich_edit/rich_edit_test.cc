#include "ui/control/rich_edit.h"

#include <gtest/gtest.h>

#include "ui/core/native_window.h"

namespace ui {
namespace {

class RichEditTest : public ::testing::Test {
 protected:
  RichEditTest() {
    edit_.ApplyAttribute(u"width", u"300");
    edit_.Place(UiRect(0, 0, 300, 80));
    for (UiEventKind kind : {kEventTextChange, kEventReturn, kEventTab}) {
      edit_.AddHandler(kind, [this, kind](const EventArgs&) {
        ++raised_[kind];
        return true;
      });
    }
  }
  void Focus() { edit_.RaiseEvent(kEventInternalSetFocus); }
  void Type(StringView text, uint32_t modifiers = 0) {
    for (char16_t c : text) {
      if (c == u'\r') edit_.RaiseEvent(kEventKeyDown, kVkReturn, modifiers, kVkReturn);
      edit_.RaiseEvent(kEventChar, c, 0, c);
    }
  }

  RichEdit edit_;
  std::map<int, int> raised_;
};

TEST_F(RichEditTest, TypingRaisesTextChangeButSetTextDoesNot) {
  ASSERT_NE(edit_.Engine(), nullptr);
  edit_.SetText(u"C:\\LumaCast");
  EXPECT_EQ(edit_.GetText(), u"C:\\LumaCast");
  EXPECT_EQ(raised_[kEventTextChange], 0);
  Focus();
  EXPECT_TRUE(edit_.IsCaretVisible());
  Type(u"1");
  EXPECT_EQ(edit_.GetText(), u"C:\\LumaCast1");
  EXPECT_GE(raised_[kEventTextChange], 1);
}

TEST_F(RichEditTest, ReadOnlyAndDisabledBoxesKeepTheirText) {
  edit_.ApplyAttribute(u"readonly", u"true");
  edit_.SetText(u"fixed");
  Focus();
  EXPECT_FALSE(edit_.IsCaretVisible());  // no caret, so no blink timer
  EXPECT_FALSE(edit_.IsCaretBlinking());
  Type(u"x");
  EXPECT_EQ(edit_.GetText(), u"fixed");
  // A double click in a read-only box selects everything.
  edit_.RaiseEvent(kEventInternalButtonDown, 0, 0, 0, UiPoint{5, 5});
  edit_.ReplaceSelection(u"");  // still read-only: nothing happens
  EXPECT_EQ(edit_.GetText(), u"fixed");

  edit_.ApplyAttribute(u"readonly", u"maybe");  // neither true nor false: unchanged
  EXPECT_TRUE(edit_.IsReadOnly());
  edit_.ApplyAttribute(u"readonly", u"false");
  edit_.ApplyAttribute(u"normaltextcolor", u" text_normal");
  edit_.ApplyAttribute(u"disabledtextcolor", u"text_disabled");
  EXPECT_EQ(edit_.GetTextColor(), u"text_normal");
  edit_.SetEnabled(false);
  EXPECT_EQ(edit_.GetTextColor(), u"text_disabled");
  EXPECT_FALSE(edit_.IsCaretVisible());
  Type(u"x");
  EXPECT_EQ(edit_.GetText(), u"fixed");
  edit_.SetEnabled(true);
  EXPECT_EQ(edit_.GetTextColor(), u"text_normal");
  EXPECT_TRUE(edit_.IsCaretVisible());  // still focused: the caret is back
}

TEST_F(RichEditTest, InputTable) {
  edit_.ApplyAttribute(u"number", u"true");
  Focus();
  Type(u"a1b2");
  EXPECT_EQ(edit_.GetText(), u"12");
  edit_.ReplaceSelection(u"x3y");  // pasted text: digits only
  EXPECT_EQ(edit_.GetText(), u"123");
  // Text that reaches the engine on a path the control does not see (a
  // menu's Paste, a drop) is filtered too.
  edit_.Engine()->ReplaceSelection(u"4z5");
  EXPECT_EQ(edit_.GetText(), u"12345");
  edit_.ApplyAttribute(u"number", u"false");

  edit_.SetText(u"");
  edit_.ApplyAttribute(u"wanttab", u"false");
  edit_.ApplyAttribute(u"wantreturnmsg", u"true");
  Type(u"a\tb");
  EXPECT_EQ(raised_[kEventTab], 1);
  Type(u"\r");
  EXPECT_EQ(raised_[kEventReturn], 1);
  Type(u"\r", kModShift);  // Shift+Return breaks the line
  EXPECT_EQ(raised_[kEventReturn], 1);
  String text = edit_.GetText();
  EXPECT_EQ(text.substr(0, 2), u"ab");
  EXPECT_EQ(text.size(), 3u);  // a, b and one line break

  // With returnmsgwantctrl only Ctrl+Return raises `return`.
  edit_.ApplyAttribute(u"returnmsgwantctrl", u"true");
  Type(u"\r", kModControl);
  EXPECT_EQ(raised_[kEventReturn], 2);
  Type(u"\r");
  EXPECT_EQ(raised_[kEventReturn], 2);
}

TEST_F(RichEditTest, NaturalHeightFollowsWidthAndLines) {
  const String text = u"The setup will install LumaCast into the folder below. Click Install Now to begin.";
  edit_.SetText(text);
  const int wide = edit_.NaturalHeight(2000);
  const int narrow = edit_.NaturalHeight(120);
  EXPECT_GT(wide, 0);
  EXPECT_GT(narrow, 2 * wide);
  // Auto height asks for the natural height of the fixed width.
  edit_.ApplyAttribute(u"height", u"auto");
  EXPECT_EQ(edit_.EstimateSize(UiSize{999, 999}).cy, edit_.NaturalHeight(300));
  // A single-line box is one line high whatever the width.
  edit_.ApplyAttribute(u"multiline", u"false");
  EXPECT_EQ(edit_.NaturalHeight(120), wide);
}

}  // namespace
}  // namespace ui
