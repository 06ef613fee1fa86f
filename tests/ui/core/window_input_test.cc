// The window's input rules, through the calls a native window makes (no
// system window: the rules are portable; the live tests drive real input).
#include <gtest/gtest.h>

#include <memory>

#include "ui/control/box.h"
#include "ui/control/button.h"
#include "ui/core/window_impl_base.h"

namespace {

class TestWindow : public ui::WindowImplBase {
 public:
  TestWindow() {
    auto root = std::make_unique<ui::Box>();
    auto group = std::make_unique<ui::Box>();
    auto button = std::make_unique<ui::Button>();
    button_ = button.get();
    group_ = group.get();
    group->Add(std::move(button));
    root->Add(std::move(group));
    ui::Box* top = root.get();
    SetRootControl(std::move(root));
    top->Place(ui::UiRect(0, 0, 100, 40));
    group_->Place(ui::UiRect(0, 0, 100, 40));
    button_->Place(ui::UiRect(10, 10, 60, 30));
    button_->AddHandler(ui::kEventClick, [this](const ui::EventArgs&) {
      ++clicks_;
      return true;
    });
  }

  using ui::WindowImplBase::OnNativeChar;
  using ui::WindowImplBase::OnNativeCloseRequested;
  using ui::WindowImplBase::OnNativeFocus;
  using ui::WindowImplBase::OnNativeKey;
  using ui::WindowImplBase::OnNativeMouse;

  void Press() { OnNativeMouse(ui::MouseAction::kLeftDown, {20, 20}, 0, 0); }
  void Release() { OnNativeMouse(ui::MouseAction::kLeftUp, {20, 20}, 0, 0); }
  void Key(uint32_t key) {
    OnNativeKey(ui::KeyAction::kDown, key, 0);
    OnNativeKey(ui::KeyAction::kUp, key, 0);
  }

  ui::Button* button_ = nullptr;
  ui::Box* group_ = nullptr;
  int clicks_ = 0;
  int close_requests_ = 0;

 protected:
  ui::String ClassName() const override { return u"TestWindow"; }
  ui::String LayoutFolder() const override { return u""; }
  ui::String LayoutFile() const override { return u""; }
  void OnCloseRequested() override { ++close_requests_; }
};

TEST(WindowInputTest, AnInterruptedPressIsCancelledNeverCompleted) {
  TestWindow w;
  w.Press();
  w.Release();
  ASSERT_EQ(w.clicks_, 1) << "a plain press and release clicks";

  // Another window takes the focus between press and release.
  w.Press();
  w.OnNativeFocus(false);
  w.Release();
  EXPECT_EQ(w.clicks_, 1);

  // A box blocks the window's input while the button is held.
  w.Press();
  w.EnableInput(false);
  w.EnableInput(true);
  w.Release();
  EXPECT_EQ(w.clicks_, 1);

  // The pressed button's box is hidden and shown again, or disabled.
  w.Press();
  w.group_->SetVisible(false);
  w.group_->SetVisible(true);
  w.Release();
  w.Press();
  w.group_->SetEnabled(false);
  w.group_->SetEnabled(true);
  w.Release();
  EXPECT_EQ(w.clicks_, 1);
  EXPECT_EQ(w.button_->GetState(), ui::kControlStateNormal) << "a cancelled press leaves the pushed look";
}

TEST(WindowInputTest, KeysReachOnlyAFocusThatTakesInput) {
  TestWindow w;
  w.FocusControl(w.button_);
  w.Key(ui::kVkSpace);
  ASSERT_EQ(w.clicks_, 1);

  w.group_->SetVisible(false);
  EXPECT_EQ(w.GetFocusControl(), nullptr) << "hiding the box that holds the focus clears it";
  w.Key(ui::kVkSpace);
  w.OnNativeChar(u' ');
  w.group_->SetVisible(true);
  w.Key(ui::kVkSpace);
  EXPECT_EQ(w.clicks_, 1);

  w.FocusControl(w.button_);
  w.group_->SetEnabled(false);
  EXPECT_EQ(w.GetFocusControl(), nullptr) << "disabling the box that holds the focus clears it";
  w.Key(ui::kVkReturn);
  EXPECT_EQ(w.clicks_, 1);
}

TEST(WindowInputTest, BlocksAreCountedAndACloseRequestWaitsForThem) {
  TestWindow w;
  w.EnableInput(false);  // a first box
  w.EnableInput(false);  // a second one, opened before the first has gone
  w.EnableInput(true);   // the first one goes
  EXPECT_FALSE(w.IsInputEnabled());
  w.OnNativeCloseRequested();
  EXPECT_EQ(w.close_requests_, 0) << "Alt+F4 reached a window under a box";
  w.FocusControl(w.button_);
  w.Key(ui::kVkSpace);
  EXPECT_EQ(w.clicks_, 0);

  w.EnableInput(true);
  EXPECT_TRUE(w.IsInputEnabled());
  w.OnNativeCloseRequested();
  EXPECT_EQ(w.close_requests_, 1);
  w.EnableInput(true);  // one unblock too many changes nothing
  w.EnableInput(false);
  EXPECT_FALSE(w.IsInputEnabled());
}

}  // namespace
