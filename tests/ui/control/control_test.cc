// Attributes, classes, events (code, layout and bubbled), labels, buttons,
// check boxes, options and progress arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/control/ui_test_support.h"
#include "ui/control/check_box.h"
#include "ui/control/progress.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

using testing::BuiltWindow;

std::vector<int>* Recorder(Control* c, std::vector<int>* log) {
  c->AddHandler(kEventAll, [log](const EventArgs& a) {
    log->push_back(a.type);
    return true;
  });
  return log;
}

TEST(ControlTest, ClassesApplyFirstAndLaterAttributesOverride) {
  ResourceManager::Get().AddClass(u"big", u"width=\"200\" height=\"40\" bordersize=\"2\"");
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><Class name=\"local\" value=\"height=&quot;7&quot;\"/>"
                      u"<Box><Control name=\"a\" class=\"big  local\" width=\"50\"/></Box></Window>", 300, 100));
  EXPECT_EQ(w.RectOf("a"), UiRect(0, 0, 50, 7));
  // Attribute lists stop quietly at the first deviation.
  Control c;
  c.ApplyAttributeList(u"width=\"11\" height=\"12\"  name=\"x\"");
  EXPECT_EQ(c.FixedWidth(), 11);
  EXPECT_EQ(c.FixedHeight(), 12);
  EXPECT_TRUE(c.GetName().empty());
}

TEST(ControlTest, EventChainHandlersStopAndOrder) {
  Button button;
  std::vector<int> log;
  button.AddHandler(kEventClick, [&](const EventArgs&) { log.push_back(1); return true; });
  button.AddLayoutHandler(kEventClick, [&](const EventArgs&) { log.push_back(2); return true; });
  button.Trigger();
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
  log.clear();
  button.AddHandler(kEventAll, [&](const EventArgs&) { log.push_back(3); return false; });
  button.Trigger();
  EXPECT_EQ(log, (std::vector<int>{1, 3}));  // false from "all" stops the layout handlers
}

TEST(ControlTest, MouseStatesAndDisabledPassesToParent) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox name=\"row\"><Button name=\"b\" width=\"50\" height=\"20\"/>"
                      u"<Button name=\"off\" width=\"50\" height=\"20\" enabled=\"false\"/></HBox></Window>", 200, 20));
  auto* b = w.Find("b");
  int clicks = 0;
  b->AddHandler(kEventClick, [&](const EventArgs&) { ++clicks; return true; });
  b->RaiseEvent(kEventButtonDown, 0, 0, 0, UiPoint{5, 5});
  EXPECT_EQ(b->GetState(), kControlStatePushed);
  b->RaiseEvent(kEventButtonUp, 0, 0, 0, UiPoint{5, 5});
  EXPECT_EQ(b->GetState(), kControlStateHot);
  EXPECT_EQ(clicks, 1);
  b->RaiseEvent(kEventButtonDown, 0, 0, 0, UiPoint{5, 5});
  b->RaiseEvent(kEventButtonUp, 0, 0, 0, UiPoint{150, 5});  // released outside
  EXPECT_EQ(clicks, 1);
  b->RaiseEvent(kEventKeyDown, 0, 0, u' ');
  EXPECT_EQ(clicks, 2);

  std::vector<int> row_log;
  w.Find("row")->AddHandler(kEventAll, [&](const EventArgs& a) { row_log.push_back(a.type); return true; });
  auto* off = w.Find("off");
  off->RaiseEvent(kEventMouseEnter);
  EXPECT_EQ(off->GetState(), kControlStateDisabled);
  // Passed up: the parent's own handlers are for events it sends.
  EXPECT_TRUE(row_log.empty());
}

TEST(ControlTest, LayoutEventsAndBubbledEvents) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(
      u"<Window><VBox name=\"root\">"
      u"<BubbledEvent type=\"mouseenter\" receiver=\"target\" applyattribute=\"height=&quot;33&quot;\"/>"
      u"<Button name=\"b\" height=\"10\"><Event type=\"buttondown\" receiver=\"target ./b\" "
      u"applyattribute=\"visible=&quot;false&quot;\"/></Button>"
      u"<Control name=\"target\" height=\"10\"/></VBox></Window>", 100, 100));
  Control* b = w.Find("b");
  b->RaiseEvent(kEventMouseEnter);  // a button passes mouseenter on to its box
  EXPECT_EQ(w.Find("target")->FixedHeight(), 33);
  b->RaiseEvent(kEventButtonDown, 0, 0, 0, UiPoint{1, 1});
  EXPECT_FALSE(w.Find("target")->IsOwnVisible());
  EXPECT_FALSE(b->IsOwnVisible());  // "./b" finds the button itself
}

TEST(CheckBoxTest, SelectUnselectNeverClick) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox><CheckBox name=\"c\"/><Option name=\"o1\" group=\"g\" selected=\"true\"/>"
                      u"<Option name=\"o2\" group=\"g\"/></HBox></Window>", 100, 20));
  auto* c = static_cast<CheckBox*>(w.Find("c"));
  std::vector<int> log;
  Recorder(c, &log);
  c->Trigger();
  c->Trigger();
  EXPECT_EQ(log, (std::vector<int>{kEventSelect, kEventUnselect}));

  auto* o1 = static_cast<Option*>(w.Find("o1"));
  auto* o2 = static_cast<Option*>(w.Find("o2"));
  std::vector<int> log1, log2;
  Recorder(o1, &log1);
  Recorder(o2, &log2);
  EXPECT_TRUE(o1->IsSelected());
  o2->Trigger();
  EXPECT_TRUE(o2->IsSelected());
  EXPECT_FALSE(o1->IsSelected());
  EXPECT_EQ(log2, (std::vector<int>{kEventClick, kEventSelect}));
  EXPECT_EQ(log1, (std::vector<int>{kEventUnselect}));
}

// Option and OptionBox are different template instances; one group excludes
// across both.
TEST(CheckBoxTest, OptionAndOptionBoxInOneGroupExcludeEachOther) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox><Option name=\"plain\" group=\"g\" selected=\"true\"/>"
                      u"<OptionBox name=\"boxed\" group=\"g\"/></HBox></Window>", 100, 20));
  auto* plain = static_cast<Option*>(w.Find("plain"));
  auto* boxed = static_cast<OptionBox*>(w.Find("boxed"));
  boxed->Trigger();
  EXPECT_TRUE(boxed->IsSelected());
  EXPECT_FALSE(plain->IsSelected());
  plain->Trigger();
  EXPECT_TRUE(plain->IsSelected());
  EXPECT_FALSE(boxed->IsSelected());
}

// An `applyattribute` that raises the event it reacts to (select on an
// option that selects it again) ends instead of recursing.
TEST(CheckBoxTest, ApplyAttributeThatRaisesItsOwnEventEnds) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"<Window><HBox><Option name=\"o\" group=\"g\"><Event type=\"select\" receiver=\"o\" "
                      u"applyattribute=\"selected=&quot;true&quot;\"/></Option></HBox></Window>", 100, 20));
  auto* o = static_cast<Option*>(w.Find("o"));
  int selects = 0;
  o->AddHandler(kEventSelect, [&](const EventArgs&) { return ++selects, true; });
  o->Trigger();
  EXPECT_TRUE(o->IsSelected());
  EXPECT_EQ(selects, LayoutBuilder::kMaxApplyNesting + 1);
}

TEST(LabelTest, AlignWords) {
  EXPECT_EQ(ApplyAlignWords(kLabelTextStyle, u"vcenter") & 0xFF, kTextCenter | kTextVCenter | kTextSingleLine);
  EXPECT_EQ(ApplyAlignWords(kLabelTextStyle, u"right top") & 0xFF, kTextRight | kTextSingleLine);
  EXPECT_EQ(ApplyAlignWords(kButtonTextStyle, u"left") & 0xFF, 0u);
}

TEST(ProgressTest, FilledPartClampsAndStores) {
  Progress p;
  p.Place(UiRect(10, 10, 410, 16));
  p.ApplyAttribute(u"value", u"50");
  EXPECT_EQ(p.FilledPart(), UiRect(0, 0, 200, 6));
  p.ApplyAttribute(u"value", u"150");
  p.FilledPart();
  EXPECT_EQ(p.GetValue(), 100);
  p.ApplyAttribute(u"value", u"-3");
  p.FilledPart();
  EXPECT_EQ(p.GetValue(), 0);
  // "nan" reads as a number that compares with nothing: it becomes the minimum.
  for (const char16_t* nan : {u"nan", u"-nan", u"NAN(1)"}) {
    p.ApplyAttribute(u"value", nan);
    EXPECT_EQ(p.FilledPart(), UiRect(0, 0, 0, 6)) << ToUTF8(nan);
  }
  p.ApplyAttribute(u"value", u"inf");
  EXPECT_EQ(p.FilledPart(), UiRect(0, 0, 400, 6));
  p.ApplyAttribute(u"min", u"10");
  p.ApplyAttribute(u"max", u"10");
  p.FilledPart();
  EXPECT_EQ(p.GetMax(), 11);
  // Numbers past the layout limit are clamped when read: no overflow in max.
  p.ApplyAttribute(u"min", u"2147483647");
  p.ApplyAttribute(u"max", u"-2147483648");
  p.FilledPart();
  EXPECT_EQ(p.GetMax(), kMaxAttributeNumber + 1);

  Progress v;
  v.ApplyAttribute(u"hor", u"false");
  v.ApplyAttribute(u"value", u"25");
  v.Place(UiRect(0, 0, 20, 80));
  EXPECT_EQ(v.FilledPart(), UiRect(0, 60, 20, 80));
}

}  // namespace
}  // namespace ui
