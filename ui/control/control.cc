#include "ui/control/control.h"

#include <algorithm>

#include "base/tick_scheduler.h"
#include "base/time.h"
#include "ui/accessibility/accessibility_notify.h"
#include "ui/control/box.h"
#include "ui/core/attribute_values.h"
#include "ui/core/class_cycle.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/read_file.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

int Scale(int value) { return DpiScale::Get().ScaleValue(value); }

UiRect ScaleRect(UiRect rect) {
  rect.left = Scale(rect.left);
  rect.top = Scale(rect.top);
  rect.right = Scale(rect.right);
  rect.bottom = Scale(rect.bottom);
  return rect;
}

// "stretch" / "auto" / number; false when the value is none of them or a
// negative number other than -1 / -2.
bool ParseSizeValue(StringView value, int* out) {
  if (value == u"stretch") { *out = kSizeStretch; return true; }
  if (value == u"auto") { *out = kSizeAuto; return true; }
  bool ok = false;
  int n = ParseDecimal(value, &ok);
  if (!ok || (n < 0 && n != kSizeStretch && n != kSizeAuto)) return false;
  *out = n;
  return true;
}

uint64_t NowMs() { return static_cast<uint64_t>(nbase::CurrentTime() / 1000); }

}  // namespace

Control::Control() = default;

Control::~Control() {
  if (window_) window_->ForgetControl(this);
}

const AttributeTable<Control>& Control::Table() {
  using C = Control;
  static const AttributeTable<Control> table({
      {u"class", [](C& c, StringView v) { c.ApplyClasses(v); }},
      {u"halign", [](C& c, StringView v) {
         if (v == u"left") c.halign_ = HorAlign::kLeft;
         else if (v == u"center") c.halign_ = HorAlign::kCenter;
         else if (v == u"right") c.halign_ = HorAlign::kRight;
       }},
      {u"valign", [](C& c, StringView v) {
         if (v == u"top") c.valign_ = VerAlign::kTop;
         else if (v == u"center") c.valign_ = VerAlign::kCenter;
         else if (v == u"bottom") c.valign_ = VerAlign::kBottom;
       }},
      {u"margin", [](C& c, StringView v) {
         UiRect r;
         ParseRectNumbers(v, &r);
         c.SetMargin(r, true);
       }},
      {u"bkcolor", [](C& c, StringView v) { c.bkcolor_ = String(TrimLeadingBlanks(v)); c.RequestRepaint(); }},
      {u"bkcolor1", [](C& c, StringView v) { c.bkcolor_ = String(TrimLeadingBlanks(v)); c.RequestRepaint(); }},
      {u"bordersize", [](C& c, StringView v) {
         int n[4] = {0, 0, 0, 0};
         int count = ParseNumberList(v, n, 4);
         if (count == 1) {
           c.border_size_ = Scale(n[0]);
           c.border_sides_ = UiRect();
         } else if (count == 4) {
           c.border_sides_ = ScaleRect(UiRect(n[0], n[1], n[2], n[3]));
         }
         c.RequestRepaint();
       }},
      {u"borderround", [](C& c, StringView v) {
         UiSize s;
         ParseSizeNumbers(v, &s);
         c.border_round_ = UiSize{Scale(s.cx), Scale(s.cy)};
       }},
      {u"width", [](C& c, StringView v) {
         int n;
         if (ParseSizeValue(v, &n)) c.SetFixedWidth(n, true);
       }},
      {u"height", [](C& c, StringView v) {
         int n;
         if (ParseSizeValue(v, &n)) c.SetFixedHeight(n, true);
       }},
      {u"maxwidth", [](C& c, StringView v) {
         int n;
         if (ParseSizeValue(v, &n)) c.SetMaxWidth(n > 0 ? Scale(n) : n);
       }},
      {u"maxheight", [](C& c, StringView v) {
         int n;
         if (ParseSizeValue(v, &n)) c.SetMaxHeight(n > 0 ? Scale(n) : n);
       }},
      {u"minwidth", [](C& c, StringView v) {
         bool ok = false;
         int n = ParseDecimal(v, &ok);
         if (ok && n >= 0) c.SetMinWidth(Scale(n));
       }},
      {u"minheight", [](C& c, StringView v) {
         bool ok = false;
         int n = ParseDecimal(v, &ok);
         if (ok && n >= 0) c.SetMinHeight(Scale(n));
       }},
      {u"state", [](C& c, StringView v) {
         if (v == u"normal") { c.SetState(kControlStateNormal); c.hot_alpha_ = 0; }
         else if (v == u"hot") { c.SetState(kControlStateHot); c.hot_alpha_ = 255; }
         else if (v == u"pushed") c.SetState(kControlStatePushed);
         else if (v == u"disabled") c.SetState(kControlStateDisabled);
       }},
      {u"cursortype", [](C& c, StringView v) {
         if (v == u"arrow") c.cursor_ = kCursorArrow;
         else if (v == u"hand") c.cursor_ = kCursorHand;
         else if (v == u"ibeam") c.cursor_ = kCursorIBeam;
       }},
      {u"renderoffset", [](C& c, StringView v) {
         UiSize s;
         ParseSizeNumbers(v, &s);
         c.render_offset_ = UiPoint{Scale(s.cx), Scale(s.cy)};
       }},
      {u"normalcolor", [](C& c, StringView v) { c.state_colors_[kControlStateNormal] = String(v); }},
      {u"hotcolor", [](C& c, StringView v) { c.state_colors_[kControlStateHot] = String(v); c.fade_hot_ = true; }},
      {u"pushedcolor", [](C& c, StringView v) { c.state_colors_[kControlStatePushed] = String(v); }},
      {u"disabledcolor", [](C& c, StringView v) { c.state_colors_[kControlStateDisabled] = String(v); }},
      {u"bordercolor", [](C& c, StringView v) { c.border_color_ = String(v); }},
      {u"leftbordersize", [](C& c, StringView v) { c.border_sides_.left = Scale(ParseDecimal(v)); }},
      {u"topbordersize", [](C& c, StringView v) { c.border_sides_.top = Scale(ParseDecimal(v)); }},
      {u"rightbordersize", [](C& c, StringView v) { c.border_sides_.right = Scale(ParseDecimal(v)); }},
      {u"bottombordersize", [](C& c, StringView v) { c.border_sides_.bottom = Scale(ParseDecimal(v)); }},
      {u"bkimage", [](C& c, StringView v) { c.bkimage_.SetImageString(v); c.RequestRepaint(); }},
      {u"name", [](C& c, StringView v) { c.SetName(v); }},
      {u"tooltiptext", [](C& c, StringView v) {
         String text(v);
         for (size_t at; (at = text.find(u"<n>")) != String::npos;) text.replace(at, 3, u"\r\n");
         c.tooltip_ = text;
       }},
      {u"accessiblename", [](C& c, StringView v) { c.SetAccessibleName(v); }},
      {u"accessiblerole", [](C& c, StringView v) {
         // An unknown word leaves the role to the control's kind.
         AccessibleRole role;
         if (ParseAccessibleRole(v, &role)) c.SetAccessibleRole(role);
       }},
      {u"tooltiptextid", [](C& c, StringView v) { c.tooltip_id_ = String(v); }},
      {u"dataid", [](C& c, StringView v) { c.data_id_ = String(v); }},
      {u"enabled", [](C& c, StringView v) { c.SetEnabled(IsTrueValue(v)); }},
      {u"mouse", [](C& c, StringView v) { c.mouse_enabled_ = IsTrueValue(v); }},
      {u"keyboard", [](C& c, StringView v) { c.keyboard_enabled_ = IsTrueValue(v); }},
      {u"visible", [](C& c, StringView v) { c.SetVisible(IsTrueValue(v)); }},
      {u"fadevisible", [](C& c, StringView v) { c.SetVisibleWithFade(IsTrueValue(v)); }},
      {u"menu", [](C& c, StringView v) { c.context_menu_ = IsTrueValue(v); }},
      {u"float", [](C& c, StringView v) { c.SetFloat(IsTrueValue(v)); }},
      {u"cache", [](C& c, StringView v) { c.cache_ = IsTrueValue(v); }},
      {u"nofocus", [](C& c, StringView) { c.no_focus_ = true; }},
      {u"alpha", [](C& c, StringView v) { c.SetAlpha(ParseDecimal(v)); }},
      {u"normalimage", [](C& c, StringView v) { c.SetStateImage(c.bk_state_images_, kControlStateNormal, v); }},
      {u"hotimage", [](C& c, StringView v) {
         c.SetStateImage(c.bk_state_images_, kControlStateHot, v);
         c.fade_hot_ = true;
       }},
      {u"pushedimage", [](C& c, StringView v) { c.SetStateImage(c.bk_state_images_, kControlStatePushed, v); }},
      {u"disabledimage", [](C& c, StringView v) { c.SetStateImage(c.bk_state_images_, kControlStateDisabled, v); }},
      {u"forenormalimage", [](C& c, StringView v) { c.SetStateImage(c.fore_state_images_, kControlStateNormal, v); }},
      {u"forehotimage", [](C& c, StringView v) {
         c.SetStateImage(c.fore_state_images_, kControlStateHot, v);
         c.fade_hot_ = true;
       }},
      {u"forepushedimage", [](C& c, StringView v) { c.SetStateImage(c.fore_state_images_, kControlStatePushed, v); }},
      {u"foredisabledimage", [](C& c, StringView v) { c.SetStateImage(c.fore_state_images_, kControlStateDisabled, v); }},
      {u"fadealpha", [](C& c, StringView v) { c.fade_alpha_ = IsTrueValue(v); }},
      {u"fadehot", [](C& c, StringView v) { c.fade_hot_ = IsTrueValue(v); }},
      {u"fadewidth", [](C& c, StringView v) { c.fade_width_ = IsTrueValue(v); }},
      {u"fadeheight", [](C& c, StringView v) { c.fade_height_ = IsTrueValue(v); }},
      {u"fadeinoutxfromleft", [](C& c, StringView v) { c.fade_slide_[0] = IsTrueValue(v); }},
      {u"fadeinoutxfromright", [](C& c, StringView v) { c.fade_slide_[1] = IsTrueValue(v); }},
      {u"fadeinoutyfromtop", [](C& c, StringView v) { c.fade_slide_[2] = IsTrueValue(v); }},
      {u"fadeinoutyfrombottom", [](C& c, StringView v) { c.fade_slide_[3] = IsTrueValue(v); }},
      {u"receivepointer", [](C& c, StringView v) { c.receive_pointer_ = IsTrueValue(v); }},
  });
  return table;
}

bool Control::ApplyAttribute(StringView name, StringView value) { return Table().Apply(*this, name, value); }

void Control::ApplyAttributeList(StringView list) {
  ForEachListedAttribute(list, [this](StringView name, StringView value) { ApplyAttribute(name, value); });
}

String Control::ClassAttributes(StringView name) const {
  String list = ResourceManager::Get().GetClassAttributes(name);
  if (list.empty() && window_) list = window_->GetClassAttributes(name);
  return list;
}

void Control::ApplyClasses(StringView class_list) {
  const ClassLookup lookup = [this](StringView name) { return ClassAttributes(name); };
  ForEachWord(class_list, [&](StringView word) {
    // A class that reaches itself again (or pulls in too many) is a theme
    // error the builder reports; here it is only refused, never followed.
    if (FindClassProblem(word, lookup)) return;
    String list = ClassAttributes(word);
    if (!list.empty()) ApplyAttributeList(list);
  });
}

void Control::SetName(StringView name) {
  if (name_ == name) return;
  if (window_) window_->ForgetControl(this);
  name_ = String(name);
  if (window_) window_->AdoptControl(this);
}

void Control::SetWindow(Window* window, Box* parent) {
  if (window_ && window_ != window) window_->ForgetControl(this);
  window_ = window;
  parent_ = parent;
  if (window_) window_->AdoptControl(this);
}

// ---- Geometry ----

void Control::SetFixedWidth(int width, bool scale) {
  if (width < 0 && width != kSizeStretch && width != kSizeAuto) return;
  if (scale && width > 0) width = Scale(width);
  if (width == fixed_width_) return;
  fixed_width_ = width;
  RequestLayout();
}

void Control::SetFixedHeight(int height, bool scale) {
  if (height < 0 && height != kSizeStretch && height != kSizeAuto) return;
  if (scale && height > 0) height = Scale(height);
  if (height == fixed_height_) return;
  fixed_height_ = height;
  RequestLayout();
}

void Control::SetMinWidth(int width) {
  if (width < 0 || width == min_width_) return;
  min_width_ = width;
  RequestLayout();
}

void Control::SetMinHeight(int height) {
  if (height < 0 || height == min_height_) return;
  min_height_ = height;
  RequestLayout();
}

void Control::SetMaxWidth(int width) {
  if (width == max_width_) return;
  max_width_ = width;
  RequestLayout();
}

void Control::SetMaxHeight(int height) {
  if (height == max_height_) return;
  max_height_ = height;
  RequestLayout();
}

void Control::SetMargin(const UiRect& margin, bool scale) {
  margin_ = scale ? ScaleRect(margin) : margin;
  RequestLayout();
}

void Control::SetFloat(bool value) {
  if (float_ == value) return;
  float_ = value;
  RequestLayout();
}

void Control::Place(const UiRect& rect) {
  rect_ = rect;
  if (rect_.right < rect_.left) rect_.right = rect_.left;
  if (rect_.bottom < rect_.top) rect_.bottom = rect_.top;
  needs_layout_ = false;
  cache_dirty_ = true;
}

const ImageSpec* Control::EstimateImage() {
  if (!bkimage_.file.empty()) return &bkimage_;
  for (int s = 0; s < kControlStateCount; ++s)
    if (bk_state_images_.Has(static_cast<ControlState>(s))) return &bk_state_images_.images[s];
  return nullptr;
}

UiSize Control::EstimateSize(UiSize available) {
  (void)available;
  UiSize size{fixed_width_, fixed_height_};
  if (size.cx != kSizeAuto && size.cy != kSizeAuto) return size;
  UiSize natural;
  if (const ImageSpec* spec = EstimateImage()) {
    ImageSpec* image = const_cast<ImageSpec*>(spec);
    if (!image->image && !image->load_failed) {
      String folder = ImageFolder();
      String path = IsAbsolutePath(image->file) ? image->file : folder + image->file;
      image->image = ResourceManager::Get().AcquireImage(path);
      if (!image->image) image->load_failed = true;
    }
    if (image->image) natural = UiSize{Scale(image->image->width), Scale(image->image->height)};
  }
  if (size.cx == kSizeAuto) size.cx = natural.cx;
  if (size.cy == kSizeAuto) size.cy = natural.cy;
  return size;
}

UiSize Control::EstimateSizeAtWidth(int width, UiSize available) {
  int saved = fixed_width_;
  fixed_width_ = width;
  UiSize size = EstimateSize(available);
  fixed_width_ = saved;
  return size;
}

// ---- Visibility and state ----

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  bool was_visible = IsVisible();
  visible_ = visible;
  focused_ = false;
  if (IsVisible() != was_visible) {
    // The parent arranges again: the control takes or leaves its place.
    if (parent_)
      static_cast<Control*>(parent_)->RequestLayout();
    else
      RequestLayout();
    // A box tells once its subtree follows (Box::SetVisible).
    if (!AsBox()) NotifyAccessibility(this, visible ? AccessibleEvent::kShow : AccessibleEvent::kHide);
  }
  RequestRepaint();
  // The window's input rules: a focus or a press inside a hidden subtree ends.
  if (window_) window_->OnControlStateChanged(this);
}

void Control::SetVisibleWithFade(bool visible) {
  // The fades run on the window's timer; without one they end at once.
  SetVisible(visible);
}

void Control::SetHiddenByParent(bool hidden) { hidden_by_parent_ = hidden; }

void Control::SetAccessibleName(StringView name) {
  if (accessible_name_ == name) return;
  accessible_name_ = String(name);
  NotifyAccessibility(this, AccessibleEvent::kName);
}

void Control::SetAccessibleRole(AccessibleRole role) {
  accessible_role_ = role;
  has_accessible_role_ = true;
}

int Control::AccessibleId() const {
  // UI thread only, like every control: a plain counter is enough.
  static int last_id = kAccessibleRootId;
  if (!accessible_id_) accessible_id_ = ++last_id;
  return accessible_id_;
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (enabled) {
    state_ = kControlStateNormal;
    hot_fade_flag_.Revoke();
    hot_alpha_ = 0;
  } else {
    state_ = kControlStateDisabled;
  }
  NotifyAccessibility(this, AccessibleEvent::kState);
  RequestRepaint();
  if (window_) window_->OnControlStateChanged(this);
}

void Control::SetState(ControlState state) {
  state_ = state;
  RequestRepaint();
}

void Control::SetAlpha(int alpha) {
  alpha_ = std::clamp(alpha, 0, 255);
  RequestRepaint();
}

void Control::RequestRepaint() {
  cache_dirty_ = true;
  for (Control* up = parent_; up; up = up->parent_) up->cache_dirty_ = true;
  if (window_) window_->Invalidate(rect_);
}

void Control::RequestLayout() {
  needs_layout_ = true;
  if (!float_ && parent_ && IsVisible()) static_cast<Control*>(parent_)->RequestLayout();
  if (window_) window_->SetLayoutNeeded();
}

void Control::StartHotFade(bool forwards) {
  hot_fade_flag_.Revoke();
  hot_fade_from_ = hot_alpha_;
  hot_fade_to_ = forwards ? 255 : 0;
  hot_fade_start_us_ = nbase::CurrentTime();
  if (hot_fade_from_ == hot_fade_to_ ||
      !nbase::TickScheduler::Instance().Schedule(hot_fade_flag_.FlagReference(), [this] { HotFadeStep(); },
                                                 nbase::TickScheduler::kFastPeriodMs, -1)) {
    hot_alpha_ = hot_fade_to_;
  }
  RequestRepaint();
}

void Control::HotFadeStep() {
  // The time a whole fade takes is scaled to the distance left, so turning
  // back half way takes half the time.
  const int distance = std::abs(hot_fade_to_ - hot_fade_from_);
  const double total_us = kHotFadeMs * 1000.0 * distance / 255.0;
  const double t = total_us <= 0 ? 1.0 : (nbase::CurrentTime() - hot_fade_start_us_) / total_us;
  if (t >= 1.0) {
    hot_fade_flag_.Revoke();
    hot_alpha_ = hot_fade_to_;
  } else {
    hot_alpha_ = hot_fade_from_ + static_cast<int>((hot_fade_to_ - hot_fade_from_) * std::max(t, 0.0));
  }
  RequestRepaint();
}

// ---- Events ----

void Control::AddHandler(UiEventKind kind, EventHandler handler) {
  handlers_[kind].push_back(std::move(handler));
}

void Control::AddLayoutHandler(UiEventKind kind, EventHandler handler) {
  layout_handlers_[kind].push_back(std::move(handler));
}

void Control::RaiseEvent(UiEventKind kind, uintptr_t wparam, intptr_t lparam, char16_t key, UiPoint point,
                         float pressure) {
  EventArgs args;
  args.type = kind;
  args.sender = this;
  args.timestamp = NowMs();
  args.mouse_point = point;
  args.key = key;
  args.wparam = wparam;
  args.lparam = lparam;
  args.pressure = pressure;
  HandleEvent(args);
}

namespace {

// Runs one list; false when any handler returned false. `alive` tells whether
// the control survived each call.
bool RunHandlers(const std::map<int, std::vector<EventHandler>>& lists, int kind, const EventArgs& args,
                 const std::weak_ptr<nbase::WeakFlag>& alive) {
  auto it = lists.find(kind);
  if (it == lists.end()) return true;
  // A copy: a handler may add handlers to this control.
  std::vector<EventHandler> handlers = it->second;
  bool result = true;
  for (const auto& handler : handlers) {
    if (!handler(args)) result = false;
    if (alive.expired()) return false;
  }
  return result;
}

}  // namespace

void Control::HandleEvent(const EventArgs& args) {
  if (args.type <= kEventInternalKillFocus || args.type == kEventInternalCancelPress || args.sender != this) {
    OnEvent(args);
    return;
  }
  std::weak_ptr<nbase::WeakFlag> alive = FlagReference();
  bool result = RunHandlers(handlers_, args.type, args, alive);
  if (alive.expired()) return;
  result = RunHandlers(handlers_, kEventAll, args, alive) && result;
  if (alive.expired() || !result) return;
  result = RunHandlers(layout_handlers_, args.type, args, alive);
  if (alive.expired()) return;
  result = RunHandlers(layout_handlers_, kEventAll, args, alive) && result;
  if (alive.expired() || !result) return;
  OnEvent(args);
}

namespace {

bool IsSelfOrInside(Control* candidate, Control* self) {
  for (Control* c = candidate; c; c = c->GetParent())
    if (c == self) return true;
  return false;
}

}  // namespace

void Control::OnEvent(const EventArgs& args) {
  auto pass_up = [&] {
    if (parent_) static_cast<Control*>(parent_)->HandleEvent(args);
  };
  if (!enabled_ && IsMouseEventKind(args.type)) {
    pass_up();
    return;
  }
  switch (args.type) {
    case kEventInternalMenu:
      if (context_menu_ && enabled_ && window_)
        window_->NotifyControl(this, kEventMenu, args.wparam, args.lparam);
      return;
    case kEventMouseEnter: {
      Control* hover = window_ ? window_->GetHoverControl() : nullptr;
      if (args.sender != this && !IsSelfOrInside(hover, this)) break;
      if (enabled_ && state_ == kControlStateNormal) {
        state_ = kControlStateHot;
        if (fade_hot_) StartHotFade(true);
        else RequestRepaint();
      }
      break;
    }
    case kEventMouseLeave: {
      Control* hover = window_ ? window_->GetHoverControl() : nullptr;
      if (args.sender != this && IsSelfOrInside(hover, this)) break;
      if (enabled_ && state_ == kControlStateHot) {
        state_ = kControlStateNormal;
        if (fade_hot_) StartHotFade(false);
        else RequestRepaint();
      }
      break;
    }
    case kEventButtonDown:
    case kEventInternalButtonDown:
    case kEventPointerDown:
      if (args.type == kEventPointerDown && !receive_pointer_) break;
      if (enabled_) {
        state_ = kControlStatePushed;
        mouse_focused_ = true;
        RequestRepaint();
      }
      return;
    case kEventButtonUp:
    case kEventPointerUp:
      if (args.type == kEventPointerUp && !receive_pointer_) break;
      if (mouse_focused_) {
        mouse_focused_ = false;
        hot_fade_flag_.Revoke();
        RequestRepaint();
        if (Contains(args.mouse_point)) {
          bool pointer = args.type == kEventPointerUp;
          state_ = pointer ? kControlStateNormal : kControlStateHot;
          hot_alpha_ = pointer ? 0 : 255;
          Trigger();
        } else {
          state_ = kControlStateNormal;
          hot_alpha_ = 0;
        }
      }
      return;
    case kEventInternalCancelPress:
      if (mouse_focused_) {
        mouse_focused_ = false;
        hot_fade_flag_.Revoke();
        state_ = enabled_ ? kControlStateNormal : kControlStateDisabled;
        hot_alpha_ = 0;
        RequestRepaint();
      }
      return;
    case kEventInternalSetFocus:
      focused_ = true;
      RequestRepaint();
      return;
    case kEventInternalKillFocus:
      focused_ = false;
      RequestRepaint();
      return;
    case kEventSetCursor:
      // The native window reads GetCursorType(); a disabled hand is an arrow.
      return;
    default:
      break;
  }
  pass_up();
}

// ---- Painting ----

String Control::ImageFolder() const {
  String folder = ResourceManager::Get().GetResourceRoot();
  if (window_) folder += window_->GetResourcePath();
  return folder;
}

ArgbColor Control::ColorOf(StringView name) const {
  return name.empty() ? 0 : ResourceManager::Get().GetColor(name);
}

void Control::Render(IRenderContext* context, const UiRect& dirty) {
  if (alpha_ == 0 || !rect_.Intersects(dirty) || rect_.IsEmpty()) return;
  const bool rounded = border_round_.cx > 0 && border_round_.cy > 0;
  AutoClip round_clip(context, rect_, border_round_.cx, border_round_.cy, rounded);
  if (alpha_ < 255 || cache_) {
    IRenderFactory* factory = ResourceManager::Get().GetRenderFactory();
    bool fresh = false;
    if (!offscreen_ && factory) {
      offscreen_ = factory->CreateRenderContext();
      fresh = true;
    }
    if (!offscreen_) return;
    if (offscreen_->Resize(rect_.Width(), rect_.Height())) fresh = true;
    if (fresh || !cache_ || cache_dirty_) {
      offscreen_->Clear();
      offscreen_->SetOrigin(-rect_.left, -rect_.top);
      DrawSelf(offscreen_.get(), rect_);
      DrawChildren(offscreen_.get(), rect_);
      cache_dirty_ = false;
    }
    context->AlphaBlend(rect_, *offscreen_, UiRect(0, 0, rect_.Width(), rect_.Height()),
                        static_cast<uint8_t>(cache_ && alpha_ == 255 ? 255 : alpha_));
    return;
  }
  AutoClip clip(context, rect_);
  AutoOffsetOrigin offset(context, render_offset_.x, render_offset_.y);
  DrawSelf(context, dirty);
  DrawChildren(context, dirty);
}

void Control::DrawSelf(IRenderContext* context, const UiRect& dirty) {
  if (!rect_.Intersects(dirty)) return;
  paint_rect_ = rect_.Intersection(dirty);
  DrawBackgroundColor(context);
  DrawBackgroundImage(context);
  DrawStateColor(context);
  DrawStateImages(context);
  DrawLabelText(context);
  DrawBorder(context);
}

void Control::DrawBackgroundColor(IRenderContext* context) {
  ArgbColor color = ColorOf(bkcolor_);
  if (color == 0) return;
  // A translucent colour covers the whole control so that partial repaints
  // do not add up.
  context->FillColor((color >> 24) == 0xFF ? paint_rect_ : rect_, color);
}

void Control::DrawBackgroundImage(IRenderContext* context) { DrawImageSpec(context, bkimage_); }

const String& Control::PickStateColor(const String colors[kControlStateCount], ControlState state) {
  if (state == kControlStatePushed && colors[kControlStatePushed].empty()) state = kControlStateHot;
  if (state == kControlStateHot && colors[kControlStateHot].empty()) state = kControlStateNormal;
  if (state == kControlStateDisabled && colors[kControlStateDisabled].empty()) state = kControlStateNormal;
  return colors[state];
}

void Control::DrawStateColor(IRenderContext* context) {
  if (fade_hot_ && (state_ == kControlStateNormal || state_ == kControlStateHot) &&
      !state_colors_[kControlStateHot].empty()) {
    ArgbColor normal = ColorOf(state_colors_[kControlStateNormal]);
    if (normal) context->FillColor(paint_rect_, normal);
    ArgbColor hot = ColorOf(state_colors_[kControlStateHot]);
    if (hot_alpha_ >= 1 && hot) context->FillColor(paint_rect_, hot, static_cast<uint8_t>(hot_alpha_));
    return;
  }
  ArgbColor color = ColorOf(PickStateColor(state_colors_, state_));
  if (color) context->FillColor(paint_rect_, color);
}

void Control::DrawStateImageSet(IRenderContext* context, StateImageSet& set) {
  ImageSpec& normal = set.images[kControlStateNormal];
  ImageSpec& hot = set.images[kControlStateHot];
  if (fade_hot_ && (state_ == kControlStateNormal || state_ == kControlStateHot)) {
    // The normal image under the hot one at the hot alpha: at rest only the
    // normal image shows, fully hot only the hot one (when it is opaque).
    DrawImageSpec(context, normal);
    if (set.HasHot() && hot_alpha_ > 0) DrawImageSpec(context, hot, {}, hot.fade * hot_alpha_ / 255);
    return;
  }
  ControlState state = state_;
  if (state == kControlStatePushed && !set.Has(kControlStatePushed)) {
    state = kControlStateHot;
    hot.fade = 255;
  }
  if (state == kControlStateHot && !set.Has(kControlStateHot)) state = kControlStateNormal;
  if (state == kControlStateDisabled && !set.Has(kControlStateDisabled)) state = kControlStateNormal;
  DrawImageSpec(context, set.images[state]);
}

void Control::DrawStateImages(IRenderContext* context) {
  DrawStateImageSet(context, bk_state_images_);
  DrawStateImageSet(context, fore_state_images_);
}

void Control::DrawBorder(IRenderContext* context) {
  ArgbColor color = ColorOf(border_color_);
  if (color == 0) return;
  const UiRect& r = rect_;
  const UiRect& s = border_sides_;
  if (s.left > 0 || s.top > 0 || s.right > 0 || s.bottom > 0) {
    // Each line lies w/2 inside its edge; a 1-pixel line stops one pixel short.
    if (s.left > 0) {
      int x = r.left + s.left / 2;
      context->DrawLine(UiPoint{x, r.top}, UiPoint{x, r.bottom - (s.left == 1 ? 1 : 0)}, s.left, color);
    }
    if (s.top > 0) {
      int y = r.top + s.top / 2;
      context->DrawLine(UiPoint{r.left, y}, UiPoint{r.right - (s.top == 1 ? 1 : 0), y}, s.top, color);
    }
    if (s.right > 0) {
      int x = r.right - (s.right + 1) / 2;
      context->DrawLine(UiPoint{x, r.top}, UiPoint{x, r.bottom - (s.right == 1 ? 1 : 0)}, s.right, color);
    }
    if (s.bottom > 0) {
      int y = r.bottom - (s.bottom + 1) / 2;
      context->DrawLine(UiPoint{r.left, y}, UiPoint{r.right - (s.bottom == 1 ? 1 : 0), y}, s.bottom, color);
    }
    return;
  }
  if (border_size_ <= 0) return;
  int n = border_size_;
  UiRect inset(r.left + n / 2, r.top + n / 2, r.right - n / 2 - (n % 2), r.bottom - n / 2 - (n % 2));
  if (border_round_.cx > 0 && border_round_.cy > 0)
    context->DrawRoundRect(inset, border_round_, n, color);
  else
    context->DrawRect(inset, n, color);
}

bool Control::DrawImageSpec(IRenderContext* context, ImageSpec& image, StringView modify, int fade) {
  if (image.file.empty()) return false;
  return PaintImageSpec(context, &image, rect_, paint_rect_, ImageFolder(), modify, fade);
}

void Control::SetStateImage(StateImageSet& set, ControlState state, StringView value) {
  set.images[state].SetImageString(value);
  RequestRepaint();
}

void Control::ReleaseImages() {
  bkimage_.image.reset();
  for (auto* set : {&bk_state_images_, &fore_state_images_})
    for (auto& spec : set->images) spec.image.reset();
}

// ---- Search ----

Control* Control::FindControl(const FindVisitor& visitor, const void* data, uint32_t flags) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if ((flags & kFindHitTest) &&
      (!mouse_enabled_ || !rect_.Contains(*static_cast<const UiPoint*>(data))))
    return nullptr;
  return visitor(this, data);
}

}  // namespace ui
