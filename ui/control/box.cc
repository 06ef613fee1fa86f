#include "ui/control/box.h"

#include <algorithm>

#include "ui/accessibility/accessibility_notify.h"
#include "ui/core/attribute_values.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"

namespace ui {

Box::Box(std::unique_ptr<Layout> layout) : layout_(layout ? std::move(layout) : std::make_unique<Layout>()) {
  layout_->SetOwner(this);
}

Box::~Box() {
  std::vector<Control*> items;
  items.swap(items_);
  for (Control* child : items) delete child;
}

const AttributeTable<Box>& Box::Table() {
  static const AttributeTable<Box> table({
      {u"mousechild", [](Box& b, StringView v) { b.mouse_child_ = IsTrueValue(v); }},
  });
  return table;
}

bool Box::ApplyAttribute(StringView name, StringView value) {
  return layout_->ApplyAttribute(name, value) || Table().Apply(*this, name, value) ||
         Control::ApplyAttribute(name, value);
}

bool Box::Add(std::unique_ptr<Control> control) { return Insert(std::move(control), items_.size()); }

bool Box::Insert(std::unique_ptr<Control> control, size_t index) {
  if (!control || index > items_.size()) return false;
  Control* child = control.release();
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), child);
  child->SetWindow(window_, this);
  if (IsVisible())
    RequestLayout();
  else
    child->SetHiddenByParent(true);
  return true;
}

bool Box::Remove(Control* control) {
  auto it = std::find(items_.begin(), items_.end(), control);
  if (it == items_.end()) return false;
  items_.erase(it);
  if (window_) {
    window_->DeleteLater(std::unique_ptr<Control>(control));
  } else {
    delete control;
  }
  RequestLayout();
  return true;
}

bool Box::RemoveAt(size_t index) { return index < items_.size() && Remove(items_[index]); }

void Box::Clear() {
  while (!items_.empty()) Remove(items_.back());
}

Control* Box::FindSubControl(StringView name) {
  if (name_ == name) return this;
  for (Control* child : items_) {
    if (Box* box = child->AsBox()) {
      if (Control* found = box->FindSubControl(name)) return found;
    } else if (child->GetName() == name) {
      return child;
    }
  }
  return nullptr;
}

void Box::SetWindow(Window* window, Box* parent) {
  Control::SetWindow(window, parent);
  for (Control* child : items_) child->SetWindow(window, this);
}

void Box::SetHiddenByParent(bool hidden) {
  Control::SetHiddenByParent(hidden);
  for (Control* child : items_) child->SetHiddenByParent(!IsVisible());
}

void Box::SetVisible(bool visible) {
  const bool was_visible = IsVisible();
  Control::SetVisible(visible);
  for (Control* child : items_) child->SetHiddenByParent(!IsVisible());
  if (IsVisible() != was_visible)
    NotifyAccessibility(this, IsVisible() ? AccessibleEvent::kShow : AccessibleEvent::kHide);
}

void Box::Place(const UiRect& rect) {
  Control::Place(rect);
  if (items_.empty()) return;
  UiRect content = rect_;
  content.Deflate(layout_->GetPadding());
  layout_->ArrangeChildren(items_, content);
}

UiSize Box::EstimateSize(UiSize available) {
  UiSize size{fixed_width_, fixed_height_};
  if (size.cx != kSizeAuto && size.cy != kSizeAuto) return size;
  const UiRect& p = layout_->GetPadding();
  UiSize inner{available.cx - p.left - p.right, available.cy - p.top - p.bottom};
  UiSize measured = layout_->MeasureChildren(items_, inner);
  if (size.cx == kSizeAuto) size.cx = measured.cx;
  if (size.cy == kSizeAuto) size.cy = measured.cy;
  return size;
}

void Box::DrawChildren(IRenderContext* context, const UiRect& dirty) {
  for (Control* child : items_) {
    if (!child->IsVisible()) continue;
    child->Render(context, dirty);
  }
}

void Box::ReleaseImages() {
  Control::ReleaseImages();
  for (Control* child : items_) child->ReleaseImages();
}

Control* Box::FindControl(const FindVisitor& visitor, const void* data, uint32_t flags) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  const bool hit_test = (flags & kFindHitTest) != 0;
  if (hit_test) {
    const UiPoint& point = *static_cast<const UiPoint*>(data);
    if (!rect_.Contains(point)) return nullptr;
    if (!mouse_child_) return mouse_enabled_ ? visitor(this, data) : nullptr;
  }
  if (flags & kFindMeFirst) {
    if (Control* found = Control::FindControl(visitor, data, flags)) return found;
  }
  UiRect inner = rect_;
  inner.Deflate(layout_->GetPadding());
  auto search = [&](Control* child) -> Control* {
    Control* found = child->FindControl(visitor, data, flags);
    if (!found) return nullptr;
    if (!hit_test || found->IsFloat() || inner.Contains(*static_cast<const UiPoint*>(data))) return found;
    return nullptr;
  };
  if (flags & kFindTopFirst) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
      if (Control* found = search(*it)) return found;
  } else {
    for (Control* child : items_)
      if (Control* found = search(child)) return found;
  }
  if (!(flags & kFindMeFirst)) return Control::FindControl(visitor, data, flags);
  return nullptr;
}

void Box::AddBubbledHandler(UiEventKind kind, EventHandler handler) {
  bubbled_handlers_[kind].push_back(std::move(handler));
}

void Box::HandleEvent(const EventArgs& args) {
  if (args.sender != this && args.type > kEventInternalKillFocus && !bubbled_handlers_.empty()) {
    // An event passed up from a child: the box's bubbled handlers see it first.
    std::weak_ptr<nbase::WeakFlag> alive = FlagReference();
    bool result = true;
    for (int kind : {static_cast<int>(args.type), static_cast<int>(kEventAll)}) {
      auto it = bubbled_handlers_.find(kind);
      if (it == bubbled_handlers_.end()) continue;
      std::vector<EventHandler> handlers = it->second;
      for (const auto& handler : handlers) {
        if (!handler(args)) result = false;
        if (alive.expired()) return;
      }
    }
    if (!result) return;
  }
  Control::HandleEvent(args);
}

// ---- TabBox ----

bool TabBox::ApplyAttribute(StringView name, StringView value) {
  if (name == u"selectedid") {
    SelectItem(ParseDecimal(value));
    return true;
  }
  if (name == u"fadeswitch") return true;  // switches are immediate
  return Box::ApplyAttribute(name, value);
}

void TabBox::SelectItem(int index) {
  selected_ = index;
  for (size_t i = 0; i < Count(); ++i) GetAt(i)->SetVisible(static_cast<int>(i) == index);
}

// ---- ShadowBox ----

void ShadowBox::Render(IRenderContext* context, const UiRect& dirty) {
  UiRect inner = rect_;
  inner.Deflate(GetLayout()->GetPadding());
  const bool reaches_shadow = dirty.left < inner.left || dirty.top < inner.top || dirty.right > inner.right ||
                              dirty.bottom > inner.bottom;
  if (reaches_shadow) {
    Box::Render(context, dirty);
  } else {
    DrawChildren(context, dirty);
  }
}

}  // namespace ui
