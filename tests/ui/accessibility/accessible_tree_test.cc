// The portable accessibility tree over an off-screen window: which controls
// are nodes and how they read, hit-testing, the events controls raise, and
// actions and progress values on a live UI loop.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "base/framework_thread.h"
#include "tests/base/test_support.h"
#include "tests/ui/control/ui_test_support.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/control/check_box.h"
#include "ui/control/progress.h"
#include "ui/control/rich_edit.h"

namespace ui {
namespace {

using testing::BuiltWindow;

// A welcome page in miniature: a picture-only close button named by the
// layout, a decorative logo, a page box (not a node) holding a header, a
// button, a check box, a link and a progress bar, and a hidden page.
constexpr char16_t kPage[] =
    u"<Window><VBox>"
    u"<HBox height=\"20\"><Control/><Button name=\"close\" width=\"20\" height=\"20\" accessiblename=\"Close\"/></HBox>"
    u"<Control name=\"logo\" width=\"40\" height=\"40\" bkimage=\"logo.png\"/>"
    u"<VBox name=\"page\">"
    u"<Label name=\"header\" height=\"20\" text=\"Welcome\"/>"
    u"<Button name=\"install\" height=\"30\" text=\"Install Now\"/>"
    u"<HBox height=\"20\"><CheckBox name=\"agree\" width=\"80\" text=\"I accept\" selected=\"true\"/>"
    u"<Button name=\"terms\" width=\"60\" text=\"User Agreement\" accessiblerole=\"link\"/>"
    u"<Button name=\"odd\" width=\"20\" accessiblerole=\"no-such-role\" tooltiptext=\"Odd\"/></HBox>"
    u"<Progress name=\"bar\" height=\"6\" min=\"0\" max=\"200\" value=\"50\" accessiblename=\"Progress\"/>"
    u"<RichEdit name=\"dir\" height=\"20\" text=\"C:\\LumaCast\" accessiblename=\"Folder\"/>"
    u"<Label name=\"quiet\" height=\"10\" text=\"decor\" accessiblerole=\"none\"/>"
    u"</VBox>"
    u"<VBox name=\"hidden\" visible=\"false\"><Button name=\"later\" text=\"Start Now\"/></VBox>"
    u"</VBox></Window>";

struct Recorder : AccessibleObserver {
  void OnAccessibleEvent(AccessibleEvent event, int id) override {
    std::lock_guard<std::mutex> lock(mutex);
    events.emplace_back(event, id);
    // What a client reads while it is told (an in-process bridge does).
    AccessibleInfo info;
    if (tree && tree->Describe(id, &info)) read.push_back(info.has_value ? info.value : info.name);
  }
  size_t Count(AccessibleEvent event, int id) {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<size_t>(std::count(events.begin(), events.end(), std::make_pair(event, id)));
  }
  std::mutex mutex;
  std::vector<std::pair<AccessibleEvent, int>> events;
  AccessibleTree* tree = nullptr;
  std::vector<String> read;
};

AccessibleInfo Info(AccessibleTree* tree, int id) {
  AccessibleInfo info;
  EXPECT_TRUE(tree->Describe(id, &info)) << id;
  return info;
}

std::vector<String> ChildNames(AccessibleTree* tree, int id) {
  std::vector<String> names;
  for (int child : tree->Children(id)) names.push_back(Info(tree, child).name);
  return names;
}

TEST(AccessibleTreeTest, NodesRolesNamesStatesAndValues) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(kPage, 300, 400));
  AccessibleTree* tree = w.window->EnsureAccessibleTree();
  // Boxes and the logo are lifted through; the hidden page and the control
  // the layout took out are left out; paint order.
  EXPECT_EQ(ChildNames(tree, kAccessibleRootId),
            (std::vector<String>{u"Close", u"Welcome", u"Install Now", u"I accept", u"User Agreement", u"Odd",
                                 u"Progress", u"Folder"}));
  const int install = tree->IdOf(w.Find("install"));
  AccessibleInfo info = Info(tree, install);
  EXPECT_EQ(info.role, AccessibleRole::kPushButton);
  EXPECT_EQ(info.action, u"Press");
  EXPECT_EQ(info.parent, kAccessibleRootId);
  EXPECT_EQ(info.bounds, w.RectOf("install"));
  EXPECT_EQ(info.states, uint32_t{kAccessibleFocusable});
  EXPECT_EQ(tree->ControlOf(install), w.Find("install"));
  EXPECT_EQ(tree->IdOf(w.Find("page")), kAccessibleNoId);

  info = Info(tree, tree->IdOf(w.Find("agree")));
  EXPECT_EQ(info.role, AccessibleRole::kCheckBox);
  EXPECT_EQ(info.states & (kAccessibleCheckable | kAccessibleChecked), uint32_t{kAccessibleCheckable | kAccessibleChecked});
  EXPECT_EQ(info.action, u"Uncheck");
  info = Info(tree, tree->IdOf(w.Find("terms")));
  EXPECT_EQ(info.role, AccessibleRole::kLink);
  EXPECT_EQ(info.action, u"Jump");
  // An unknown role word leaves the kind's role; the tooltip names it.
  EXPECT_EQ(Info(tree, tree->IdOf(w.Find("odd"))).role, AccessibleRole::kPushButton);
  EXPECT_EQ(Info(tree, tree->IdOf(w.Find("header"))).states, uint32_t{kAccessibleReadOnly});

  info = Info(tree, tree->IdOf(w.Find("bar")));
  EXPECT_EQ(info.role, AccessibleRole::kProgressBar);
  EXPECT_TRUE(info.has_range);
  EXPECT_EQ(info.current, 50);
  EXPECT_EQ(info.maximum, 200);
  EXPECT_EQ(info.value, u"25%");
  info = Info(tree, tree->IdOf(w.Find("dir")));
  EXPECT_EQ(info.role, AccessibleRole::kText);
  EXPECT_EQ(info.value, u"C:\\LumaCast");  // the text is the value, not the name

  // A hidden control still describes itself; a deleted one stops resolving.
  const int later = w.Find("later")->AccessibleId();
  EXPECT_TRUE(Info(tree, later).states & kAccessibleInvisible);
  EXPECT_TRUE(tree->Children(later).empty());
  EXPECT_FALSE(tree->Contains(later + 1000));
  AccessibleInfo none;
  EXPECT_FALSE(tree->Describe(later + 1000, &none));
  EXPECT_EQ(tree->Parent(later + 1000), kAccessibleNoId);
}

TEST(AccessibleTreeTest, HitTestFocusAndLiveVisibility) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(kPage, 300, 400));
  AccessibleTree* tree = w.window->EnsureAccessibleTree();
  const UiRect install = w.RectOf("install");
  EXPECT_EQ(tree->HitTest(UiPoint{install.left + 2, install.top + 2}), tree->IdOf(w.Find("install")));
  EXPECT_EQ(tree->HitTest(UiPoint{w.RectOf("logo").left + 1, w.RectOf("logo").top + 1}), kAccessibleRootId);
  EXPECT_EQ(tree->HitTest(UiPoint{-5, 10}), kAccessibleNoId);

  EXPECT_EQ(tree->FocusedId(), kAccessibleRootId);
  EXPECT_TRUE(tree->TakeFocus(tree->IdOf(w.Find("agree"))));
  EXPECT_EQ(tree->FocusedId(), tree->IdOf(w.Find("agree")));
  EXPECT_TRUE(Info(tree, tree->FocusedId()).states & kAccessibleFocused);
  EXPECT_FALSE(tree->TakeFocus(tree->IdOf(w.Find("header"))));  // labels take no focus
  w.Find("install")->SetEnabled(false);
  EXPECT_FALSE(tree->TakeFocus(tree->IdOf(w.Find("install"))));
  EXPECT_EQ(Info(tree, tree->IdOf(w.Find("install"))).states, uint32_t{kAccessibleDisabled});  // not focusable

  // Pages swap: the lists follow at once.
  w.Find("page")->SetVisible(false);
  w.Find("hidden")->SetVisible(true);
  EXPECT_EQ(ChildNames(tree, kAccessibleRootId), (std::vector<String>{u"Close", u"Start Now"}));
}

TEST(AccessibleTreeTest, ControlsRaiseEventsOnlyWhereSomethingShows) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(kPage, 300, 400));
  AccessibleTree* tree = w.window->EnsureAccessibleTree();
  Recorder recorder;
  recorder.tree = tree;
  tree->AddObserver(&recorder);
  const int agree = tree->IdOf(w.Find("agree"));
  static_cast<CheckBox*>(w.Find("agree"))->Selected(false, true);
  EXPECT_EQ(recorder.Count(AccessibleEvent::kState, agree), 1u);
  // Observers see the new value and state while they are told.
  static_cast<Progress*>(w.Find("bar"))->SetValue(150);
  ASSERT_FALSE(recorder.read.empty());
  EXPECT_EQ(recorder.read.back(), u"75%");
  EXPECT_FALSE(Info(tree, agree).states & kAccessibleChecked);
  static_cast<Label*>(w.Find("header"))->SetText(u"Hello");
  EXPECT_EQ(recorder.Count(AccessibleEvent::kName, tree->IdOf(w.Find("header"))), 1u);
  w.window->SetFocusControl(w.Find("install"));
  EXPECT_EQ(recorder.Count(AccessibleEvent::kFocus, tree->IdOf(w.Find("install"))), 1u);
  static_cast<RichEdit*>(w.Find("dir"))->SetText(u"D:\\");
  EXPECT_EQ(recorder.Count(AccessibleEvent::kValue, tree->IdOf(w.Find("dir"))), 1u);

  // A page box is not a node: its showing reorders the node above it.
  w.Find("hidden")->SetVisible(true);
  EXPECT_EQ(recorder.Count(AccessibleEvent::kReorder, kAccessibleRootId), 1u);
  // Inside a hidden box nothing is told.
  w.Find("page")->SetVisible(false);
  recorder.events.clear();
  static_cast<Label*>(w.Find("header"))->SetText(u"Unseen");
  w.Find("install")->SetVisible(false);
  EXPECT_TRUE(recorder.events.empty());
  // Windows without a tree pay nothing and tell nobody.
  BuiltWindow plain;
  ASSERT_TRUE(plain.Build(kPage, 300, 400));
  static_cast<Label*>(plain.Find("header"))->SetText(u"Nobody");
  EXPECT_EQ(plain.window->GetAccessibleTree(), nullptr);
  tree->RemoveObserver(&recorder);
}

TEST(AccessibleTreeTest, ActionsAreQueuedAndProgressValuesCoalesced) {
  nbase::FrameworkThread ui("a11y ui");
  ASSERT_TRUE(ui.LaunchWith(nbase::kLoopWindows));
  BuiltWindow* w = nullptr;
  AccessibleTree* tree = nullptr;
  Recorder recorder;
  std::atomic<int> clicks{0};
  int bar = 0;
  nbase_test::RunOn(ui, [&] {
    w = new BuiltWindow;
    ASSERT_TRUE(w->Build(kPage, 300, 400));
    tree = w->window->EnsureAccessibleTree();
    tree->AddObserver(&recorder);
    w->Find("install")->AddHandler(kEventClick, [&](const EventArgs&) { ++clicks; return true; });
    EXPECT_TRUE(tree->DoDefaultAction(tree->IdOf(w->Find("install"))));
    EXPECT_EQ(clicks, 0);  // not inside the caller's call
    EXPECT_FALSE(tree->DoDefaultAction(tree->IdOf(w->Find("header"))));  // no action
    EXPECT_TRUE(tree->DoDefaultAction(tree->IdOf(w->Find("agree"))));
    bar = tree->IdOf(w->Find("bar"));
    auto* progress = static_cast<Progress*>(w->Find("bar"));
    for (int v = 1; v <= 40; ++v) progress->SetValue(v);
    EXPECT_EQ(recorder.Count(AccessibleEvent::kValue, bar), 1u);  // the first at once
  });
  ASSERT_TRUE(nbase_test::WaitUntil([&] { return clicks == 1; }));
  ASSERT_TRUE(nbase_test::WaitUntil([&] { return recorder.Count(AccessibleEvent::kValue, bar) == 2u; }));
  nbase_test::RunOn(ui, [&] {
    EXPECT_FALSE(static_cast<CheckBox*>(w->Find("agree"))->IsSelected());
    EXPECT_EQ(Info(tree, bar).value, u"20%");
    // A disabled button refuses, and one disabled after the call does not run.
    w->Find("install")->SetEnabled(false);
    EXPECT_FALSE(tree->DoDefaultAction(tree->IdOf(w->Find("install"))));
    w->Find("install")->SetEnabled(true);
    EXPECT_TRUE(tree->DoDefaultAction(tree->IdOf(w->Find("install"))));
    w->Find("install")->SetEnabled(false);
  });
  nbase_test::RunOn(ui, [&] {});
  nbase_test::RunOn(ui, [&] { delete w; });
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(recorder.Count(AccessibleEvent::kValue, bar), 2u);  // the last value came once
}

}  // namespace
}  // namespace ui
