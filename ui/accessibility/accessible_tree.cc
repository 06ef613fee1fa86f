#include "ui/accessibility/accessible_tree.h"

#include <algorithm>

#include "base/message_loop.h"
#include "base/tick_scheduler.h"
#include "base/time.h"
#include "ui/accessibility/accessibility_notify.h"
#include "ui/accessibility/accessible_control.h"
#include "ui/control/box.h"
#include "ui/core/window.h"

namespace ui {

namespace {

// The window's area without the drawn shadow around it.
UiRect WindowArea(Control* root) {
  if (!root) return UiRect();
  UiRect area = root->GetRect();
  if (auto* shadow = dynamic_cast<ShadowBox*>(root)) area.Deflate(shadow->GetLayout()->GetPadding());
  return area;
}

Control* FindById(Control* control, int id) {
  if (!control) return nullptr;
  if (RoleOfControl(control) != AccessibleRole::kNone && control->AccessibleId() == id) return control;
  if (Box* box = control->AsBox())
    for (Control* child : box->Items())
      if (Control* found = FindById(child, id)) return found;
  return nullptr;
}

}  // namespace

void NotifyAccessibility(Control* control, AccessibleEvent event) {
  if (!control || !control->GetWindow()) return;
  if (AccessibleTree* tree = control->GetWindow()->GetAccessibleTree()) tree->Notify(control, event);
}

AccessibleTree::AccessibleTree(Window* window) : window_(window) {}

AccessibleTree::~AccessibleTree() = default;

void AccessibleTree::SetRootName(StringView name) {
  if (root_name_ == name) return;
  root_name_ = String(name);
  Raise(AccessibleEvent::kName, kAccessibleRootId);
}

Control* AccessibleTree::ControlOf(int id) const {
  if (id <= kAccessibleRootId) return nullptr;
  return FindById(window_->GetRoot(), id);
}

int AccessibleTree::IdOf(Control* control) const {
  if (!control || control->GetWindow() != window_ || RoleOfControl(control) == AccessibleRole::kNone)
    return kAccessibleNoId;
  return control->AccessibleId();
}

int AccessibleTree::NodeAbove(Control* control) const {
  for (Control* up = control ? control->GetParent() : nullptr; up; up = up->GetParent())
    if (RoleOfControl(up) != AccessibleRole::kNone) return up->AccessibleId();
  return kAccessibleRootId;
}

bool AccessibleTree::Describe(int id, AccessibleInfo* info) const {
  *info = AccessibleInfo();
  info->id = id;
  if (id == kAccessibleRootId) {
    info->role = root_role_;
    info->name = root_name_;
    info->states = kAccessibleFocusable;
    if (!window_->GetFocusControl()) info->states |= kAccessibleFocused;
    info->bounds = WindowArea(window_->GetRoot());
    return true;
  }
  Control* control = ControlOf(id);
  if (!control) return false;
  DescribeControl(control, RoleOfControl(control), info);
  info->parent = NodeAbove(control);
  if (window_->GetFocusControl() == control) info->states |= kAccessibleFocused;
  return true;
}

int AccessibleTree::Parent(int id) const {
  Control* control = ControlOf(id);
  return control ? NodeAbove(control) : kAccessibleNoId;
}

void AccessibleTree::Collect(Control* control, std::vector<int>* ids) const {
  if (!control->IsVisible()) return;
  if (RoleOfControl(control) != AccessibleRole::kNone) {
    ids->push_back(control->AccessibleId());
    return;
  }
  if (Box* box = control->AsBox())
    for (Control* child : box->Items()) Collect(child, ids);
}

std::vector<int> AccessibleTree::Children(int id) const {
  std::vector<int> ids;
  if (id == kAccessibleRootId) {
    if (Control* root = window_->GetRoot()) Collect(root, &ids);
    return ids;
  }
  Control* control = ControlOf(id);
  if (!control || !control->IsVisible()) return ids;
  if (Box* box = control->AsBox())
    for (Control* child : box->Items()) Collect(child, &ids);
  return ids;
}

int AccessibleTree::FocusedId() const {
  Control* focus = window_->GetFocusControl();
  if (!focus) return kAccessibleRootId;
  const int id = IdOf(focus);
  return id != kAccessibleNoId ? id : NodeAbove(focus);
}

int AccessibleTree::HitTest(UiPoint point) const {
  if (!WindowArea(window_->GetRoot()).Contains(point)) return kAccessibleNoId;
  int current = kAccessibleRootId;
  // Every step goes one level down a finite tree.
  for (;;) {
    const std::vector<int> children = Children(current);
    auto hit = std::find_if(children.rbegin(), children.rend(), [&](int child) {
      Control* control = ControlOf(child);
      return control && control->GetRect().Contains(point);
    });
    if (hit == children.rend()) return current;
    current = *hit;
  }
}

bool AccessibleTree::TakeFocus(int id) {
  Control* control = ControlOf(id);
  if (!control || !control->IsVisible() || !control->IsEnabled() || control->IsNoFocus() ||
      !IsFocusableRole(RoleOfControl(control)) || !AcceptsInput())
    return false;
  if (hooks_.focus) hooks_.focus(control);
  else window_->SetFocusControl(control);
  return window_->GetFocusControl() == control;
}

bool AccessibleTree::DoDefaultAction(int id) {
  AccessibleInfo info;
  if (!Describe(id, &info) || info.action.empty() || (info.states & (kAccessibleDisabled | kAccessibleInvisible)) ||
      !AcceptsInput())
    return false;
  nbase::MessageLoop* loop = nbase::MessageLoop::ForThisThread();
  if (!loop) return false;
  // Looked up again when it runs: the control may be gone or changed by then.
  loop->Post(MakeGuarded([this, id] {
    Control* control = ControlOf(id);
    if (control && control->IsVisible() && control->IsEnabled() && AcceptsInput()) control->Trigger();
  }));
  return true;
}

void AccessibleTree::Notify(Control* control, AccessibleEvent event) {
  if (!control || control->GetWindow() != window_ || observers_.size() == 0) return;
  const bool node = RoleOfControl(control) != AccessibleRole::kNone;
  if (event == AccessibleEvent::kShow || event == AccessibleEvent::kHide) {
    // Within a hidden box nothing changes on screen.
    Box* parent = control->GetParent();
    if (parent && !parent->IsVisible()) return;
    if (node) Raise(event, control->AccessibleId());
    else Raise(AccessibleEvent::kReorder, NodeAbove(control));
    return;
  }
  if (!node || !control->IsVisible()) return;
  if (event == AccessibleEvent::kValue && RoleOfControl(control) == AccessibleRole::kProgressBar) {
    QueueValue(control->AccessibleId());
    return;
  }
  Raise(event, control->AccessibleId());
}

void AccessibleTree::Raise(AccessibleEvent event, int id) {
  observers_.Notify([event, id](AccessibleObserver* observer) { observer->OnAccessibleEvent(event, id); });
}

void AccessibleTree::QueueValue(int id) {
  const int64_t now = nbase::CurrentTime();
  const int64_t period_us = int64_t{kValueCoalesceMs} * 1000;
  auto sent = value_sent_us_.find(id);
  if (sent == value_sent_us_.end() || now - sent->second >= period_us) {
    value_sent_us_[id] = now;
    value_pending_.erase(id);
    Raise(AccessibleEvent::kValue, id);
    return;
  }
  value_pending_.insert(id);
  if (value_timer_) return;
  const auto wait_ms = static_cast<uint32_t>((sent->second + period_us - now + 999) / 1000);
  value_timer_ = nbase::TickScheduler::Instance().Schedule(value_flag_.FlagReference(), [this] { FlushValues(); },
                                                           wait_ms, 0);
  // Without a timer service (off-screen tools) nothing would ever come.
  if (!value_timer_) FlushValues();
}

void AccessibleTree::FlushValues() {
  value_timer_ = false;
  const std::set<int> pending = std::move(value_pending_);
  value_pending_.clear();
  const int64_t now = nbase::CurrentTime();
  for (int id : pending) {
    Control* control = ControlOf(id);
    if (!control || !control->IsVisible()) continue;
    value_sent_us_[id] = now;
    Raise(AccessibleEvent::kValue, id);
  }
}

}  // namespace ui
