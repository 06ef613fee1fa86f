#include "ui/core/window.h"

#include <algorithm>
#include <cstdlib>

#include "ui/accessibility/accessibility_notify.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/control/box.h"
#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

int Scale(int v) { return DpiScale::Get().ScaleValue(v); }

UiRect ScaledRect(const UiRect& r) { return UiRect(Scale(r.left), Scale(r.top), Scale(r.right), Scale(r.bottom)); }

}  // namespace

Window::Window() = default;

Window::~Window() {
  accessible_.reset();
  pending_delete_.clear();
  // Controls forget themselves from the window while they are deleted.
  root_.reset();
}

AccessibleTree* Window::EnsureAccessibleTree() {
  if (!accessible_) accessible_ = std::make_unique<AccessibleTree>(this);
  return accessible_.get();
}

void Window::SetFocusControl(Control* control) {
  focus_ = control;
  if (control) NotifyAccessibility(control, AccessibleEvent::kFocus);
}

bool Window::SetRootControl(std::unique_ptr<Control> root) {
  if (!root) return false;
  focus_ = nullptr;
  hover_ = nullptr;
  if (root_) DeleteLater(std::move(root_));
  root_ = std::move(root);
  root_->SetWindow(this, nullptr);
  layout_needed_ = true;
  return true;
}

std::unique_ptr<Control> Window::WrapInShadow(std::unique_ptr<Control> root) {
  if (!attributes_.shadow_attached || !root) return root;
  auto shadow = std::make_unique<ShadowBox>();
  shadow->SetTag(u"ShadowBox");
  UiRect corner = ShadowPadding();
  shadow->GetLayout()->SetPadding(corner, false);
  if (root->FixedWidth() > 0) shadow->SetFixedWidth(root->FixedWidth() + corner.left + corner.right, false);
  else shadow->SetFixedWidth(root->FixedWidth(), false);
  if (root->FixedHeight() > 0) shadow->SetFixedHeight(root->FixedHeight() + corner.top + corner.bottom, false);
  else shadow->SetFixedHeight(root->FixedHeight(), false);
  if (attributes_.shadow_default_image) root->ApplyAttribute(u"borderround", u"3,3");
  shadow->ApplyAttribute(u"bkimage", attributes_.shadow_image);
  shadow->Add(std::move(root));
  return shadow;
}

void Window::AdoptControl(Control* control) {
  if (!control->GetName().empty()) names_[control->GetName()] = control;
}

bool Window::IsInside(const Control* control, const Control* subtree) {
  for (const Control* c = control; c; c = c->GetParent())
    if (c == subtree) return true;
  return false;
}

bool Window::TakesInput(const Control* control) const {
  if (!control || control->GetWindow() != this) return false;
  for (const Control* c = control; c; c = c->GetParent())
    if (!c->IsVisible() || !c->IsEnabled()) return false;
  return true;
}

void Window::OnControlStateChanged(Control* control) {
  if (focus_ && IsInside(focus_, control) && !TakesInput(focus_)) focus_ = nullptr;
}

void Window::ForgetControl(Control* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  auto it = names_.find(control->GetName());
  if (it != names_.end() && it->second == control) names_.erase(it);
  for (auto& [name, members] : groups_) std::erase(members, control);
}

Control* Window::LocateControl(StringView name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

Control* Window::LocateControl(UiPoint point) const {
  if (!root_) return nullptr;
  return root_->FindControl([](Control* c, const void*) { return c; }, &point,
                            kFindVisible | kFindHitTest | kFindTopFirst);
}

void Window::DeleteLater(std::unique_ptr<Control> control) {
  if (!control) return;
  control->SetWindow(nullptr, nullptr);
  ForgetControl(control.get());
  pending_delete_.push_back(std::move(control));
  OnDeleteLaterPosted();
}

void Window::FlushDeleted() {
  std::vector<std::unique_ptr<Control>> doomed;
  doomed.swap(pending_delete_);
}

void Window::AddClass(StringView name, StringView attributes) { classes_[String(name)] = String(attributes); }

String Window::GetClassAttributes(StringView name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? String() : it->second;
}

bool Window::JoinGroup(StringView group, Control* option) {
  auto& members = groups_[String(group)];
  if (std::find(members.begin(), members.end(), option) != members.end()) return false;
  members.push_back(option);
  return true;
}

void Window::LeaveGroup(StringView group, Control* option) {
  auto it = groups_.find(group);
  if (it == groups_.end()) return;
  std::erase(it->second, option);
  if (it->second.empty()) groups_.erase(it);
}

std::vector<Control*> Window::GetGroup(StringView group) const {
  auto it = groups_.find(group);
  return it == groups_.end() ? std::vector<Control*>() : it->second;
}

void Window::NotifyControl(Control* control, UiEventKind kind, uintptr_t wparam, intptr_t lparam) {
  if (control) control->RaiseEvent(kind, wparam, lparam, 0, last_mouse_point_);
}

void Window::SetResourcePath(StringView path) {
  resource_path_ = String(path);
  if (!resource_path_.empty() && resource_path_.back() != u'/' && resource_path_.back() != u'\\')
    resource_path_ += u'/';
}

UiRect Window::ShadowPadding() const {
  return attributes_.shadow_attached ? ScaledRect(attributes_.shadow_corner_unscaled) : UiRect();
}

bool Window::ApplyWindowAttribute(StringView name, StringView value) {
  WindowAttributes& a = attributes_;
  if (name == u"size") {
    UiSize s;
    ParseSizeNumbers(value, &s);
    a.size = UiSize{Scale(s.cx), Scale(s.cy)};
    OnInitialSizeChanged(InitialSize());
  } else if (name == u"heightpercent") {
    int work = WorkAreaHeight();
    if (work <= 0) return true;
    double fraction = std::strtod(ToUTF8(value).c_str(), nullptr);
    int height = static_cast<int>(work * fraction);
    if (a.min_size.cy > 0) height = std::max(height, a.min_size.cy);
    if (a.max_size.cy > 0) height = std::min(height, a.max_size.cy);
    a.size.cy = height;
    OnInitialSizeChanged(InitialSize());
  } else if (name == u"sizebox") {
    ParseRectNumbers(value, &a.size_box);
  } else if (name == u"caption") {
    UiRect r;
    ParseRectNumbers(value, &r);
    a.caption = ScaledRect(r);
  } else if (name == u"textid") {
    a.caption_text = ResourceManager::Get().TextForId(value);
    OnCaptionTextChanged(a.caption_text);
  } else if (name == u"roundcorner") {
    UiSize s;
    ParseSizeNumbers(value, &s);
    a.round_corner = UiSize{Scale(s.cx), Scale(s.cy)};
  } else if (name == u"mininfo" || name == u"maxinfo") {
    UiSize s;
    ParseSizeNumbers(value, &s);
    (name == u"mininfo" ? a.min_size : a.max_size) = UiSize{Scale(s.cx), Scale(s.cy)};
  } else if (name == u"shadowattached") {
    a.shadow_attached = IsTrueValue(value);
  } else if (name == u"shadowimage") {
    a.shadow_image = String(value);
    a.shadow_default_image = false;
  } else if (name == u"shadowcorner") {
    ParseRectNumbers(value, &a.shadow_corner_unscaled);
  } else if (name == u"alphafixcorner" || name == u"custom_shadow") {
    UiRect r;
    ParseRectNumbers(value, &r);
    a.alpha_fix_corner = ScaledRect(r);
  } else {
    return false;
  }
  return true;
}

UiSize Window::InitialSize() const {
  const UiRect pad = ShadowPadding();
  return UiSize{attributes_.size.cx + pad.left + pad.right, attributes_.size.cy + pad.top + pad.bottom};
}

UiSize Window::MinSize() const {
  const UiRect pad = ShadowPadding();
  const UiSize& s = attributes_.min_size;
  return UiSize{s.cx ? s.cx + pad.left + pad.right : 0, s.cy ? s.cy + pad.top + pad.bottom : 0};
}

UiSize Window::MaxSize() const {
  const UiRect pad = ShadowPadding();
  const UiSize& s = attributes_.max_size;
  return UiSize{s.cx ? s.cx + pad.left + pad.right : 0, s.cy ? s.cy + pad.top + pad.bottom : 0};
}

UiSize Window::InitialClientSize() {
  UiSize size = InitialSize();
  if (root_ && (root_->FixedWidth() == kSizeAuto || root_->FixedHeight() == kSizeAuto)) {
    UiSize estimate = root_->EstimateSize(UiSize{99999, 99999});
    estimate.cx = std::max(estimate.cx, root_->MinWidth());
    if (root_->MaxWidth() >= 0) estimate.cx = std::min(estimate.cx, root_->MaxWidth());
    estimate.cy = std::max(estimate.cy, root_->MinHeight());
    if (root_->MaxHeight() >= 0) estimate.cy = std::min(estimate.cy, root_->MaxHeight());
    size = estimate;
  }
  return size;
}

void Window::Arrange(const UiRect& client) {
  client_ = client;
  layout_needed_ = false;
  if (root_ && !client.IsEmpty()) root_->Place(client);
}

void Window::Paint(IRenderContext* context, const UiRect& dirty) {
  if (!root_ || !context) return;
  if (layout_needed_) Arrange(client_.IsEmpty() ? UiRect(0, 0, context->Width(), context->Height()) : client_);
  root_->Render(context, dirty);
}

}  // namespace ui
