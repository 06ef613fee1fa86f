#include "ui/core/window_impl_base.h"

#include <algorithm>

#include "base/message_loop.h"
#include "base/tick_scheduler.h"
#include "base/time.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/control/button.h"
#include "ui/control/control.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/focus_order.h"
#include "ui/core/layout_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

// Longest path the layout error box shows.
constexpr size_t kMaxErrorPath = 260;

UiRect Union(const UiRect& a, const UiRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return UiRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom));
}

// Eases in and out: slow at both ends of a fade.
double FadeCurve(double t) { return t * t * (3.0 - 2.0 * t); }

// Posts `task` to the calling thread's loop; false when it has none.
bool PostToThisLoop(nbase::Closure task) {
  nbase::MessageLoop* loop = nbase::MessageLoop::ForThisThread();
  if (!loop) return false;
  loop->Post(std::move(task));
  return true;
}

}  // namespace

void WindowImplBase::ControlRef::Set(Control* control) {
  control_ = control;
  alive_ = control ? control->FlagReference() : std::weak_ptr<nbase::WeakFlag>();
}

Control* WindowImplBase::ControlRef::Get(const Window* window) const {
  if (!control_ || alive_.expired() || control_->GetWindow() != window) return nullptr;
  return control_;
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
  // Ends a live native window quietly (an object deleted by its creator after
  // a failed CreateNative has none).
  native_.reset();
}

bool WindowImplBase::CreateNative(WindowImplBase* owner, StringView title, const UiRect& rect, bool layered) {
  if (native_) return false;
  has_alpha_ = layered && NativeWindow::AlphaAvailable();
  // Without alpha on screen a shadow would be a dark frame: no margin at all.
  if (!has_alpha_) ApplyWindowAttribute(u"shadowattached", u"false");
  SetResourcePath(LayoutFolder());
  const String layout_path = GetResourcePath() + LayoutFile();

  LayoutBuilder builder;
  ControlFactoryCallback factory =
      MakeGuarded([this](const String& tag) { return MakeCustomControl(tag); });
  Control* built = builder.Build(layout_path, factory, this, nullptr, nullptr);
  if (!built) {
    String path = ResourceManager::Get().GetResourceRoot() + layout_path;
    if (path.size() > kMaxErrorPath) path.resize(kMaxErrorPath);
    NativeWindow::ShowErrorBox(u"Failed to load xml file " + path, u"Pravik");
    return false;
  }
  if (!has_alpha_ && Attributes().shadow_attached) ApplyWindowAttribute(u"shadowattached", u"false");
  SetRootControl(WrapInShadow(std::unique_ptr<Control>(built)));
  OnLayoutBuilt();
  for (const char16_t* name : {u"closebtn", u"minbtn", u"maxbtn", u"restorebtn"}) {
    if (auto* button = FindControl<Button>(name))
      button->AddHandler(kEventClick, MakeGuarded([this](const EventArgs& args) { return CaptionButtonClicked(args); }));
  }

  client_size_ = InitialClientSize();
  NativeWindowParams params;
  params.class_name = ClassName();
  params.title = title.empty() ? Attributes().caption_text : String(title);
  title_ = params.title;
  params.rect = rect.IsEmpty() ? UiRect(0, 0, client_size_.cx, client_size_.cy) : rect;
  params.owner = owner && owner->native_ ? owner->native_.get() : nullptr;
  params.want_alpha = has_alpha_;
  native_ = NativeWindow::Create(this, params);
  if (!native_) return false;
  has_alpha_ = native_->HasAlpha();
  if (owner) {
    owner_ = owner;
    owner_alive_ = owner->FlagReference();
  }
  context_ = ResourceManager::Get().GetRenderFactory()->CreateRenderContext();
  UiRect placed = native_->GetScreenRect();
  client_size_ = UiSize{placed.Width(), placed.Height()};
  SetLayoutNeeded();
  return true;
}

void WindowImplBase::Show(bool show, bool take_focus) {
  if (!IsNativeAlive()) return;
  if (owner_ && !owner_alive_.expired()) {
    if (show && !owner_disabled_) {
      owner_disabled_ = true;
      owner_->input_.owned.push_back(OwnedBox{this, FlagReference()});
      owner_->EnableInput(false);
    } else if (!show) {
      ReleaseOwner();
    }
  }
  native_->Show(show, take_focus);
  if (AccessibleTree* tree = GetAccessibleTree()) tree->NotifyRoot(show ? AccessibleEvent::kShow : AccessibleEvent::kHide);
}

void WindowImplBase::BringToFront() {
  if (IsNativeAlive()) native_->BringToFront();
}

void WindowImplBase::CenterOnOwner() {
  if (!IsNativeAlive()) return;
  UiRect window = native_->GetScreenRect();
  UiRect area = native_->WorkArea();
  if (!owner_) {
    const UiRect pointer_area = NativeWindow::PointerWorkArea();
    if (!pointer_area.IsEmpty()) area = pointer_area;
  }
  UiRect center = area;
  if (owner_ && !owner_alive_.expired() && owner_->IsNativeAlive() && !owner_->native_->IsMinimized()) {
    center = owner_->native_->GetScreenRect();
    area = owner_->native_->WorkArea();
  }
  const int w = window.Width(), h = window.Height();
  int x = center.left + (center.Width() - w) / 2;
  int y = center.top + (center.Height() - h) / 2;
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;
  if (x + w > area.right) x = std::max(area.left, area.right - w);
  if (y + h > area.bottom) y = std::max(area.top, area.bottom - h);
  native_->Move(UiRect(x, y, x + w, y + h));
}

void WindowImplBase::SetCaptionText(const String& text) {
  title_ = text;
  if (IsNativeAlive()) native_->SetTitle(text);
  if (AccessibleTree* tree = GetAccessibleTree()) tree->SetRootName(text);
}

AccessibleTree* WindowImplBase::OnNativeAccessibleTree() {
  if (AccessibleTree* tree = GetAccessibleTree()) return tree;
  AccessibleTree* tree = EnsureAccessibleTree();
  tree->SetRootRole(owner_ ? AccessibleRole::kDialog : AccessibleRole::kWindow);
  tree->SetRootName(title_);
  // The tree belongs to this window: the hooks cannot outlive it.
  tree->SetWindowHooks({[this](Control* control) { FocusControl(control); }, [this] { return IsInputEnabled(); }});
  return tree;
}

void WindowImplBase::OnCaptionTextChanged(const String& text) { SetCaptionText(text); }

void WindowImplBase::CloseWithResult(int result) {
  if (!IsNativeAlive() || closing_) return;
  if (!has_alpha_ || !GetRoot()) {
    PostToThisLoop(MakeGuarded([this, result] { CloseNow(result); }));
    return;
  }
  closing_ = true;
  StartFade(opacity_, 0);
  auto close = MakeGuarded([this, result] { CloseNow(result); });
  if (!nbase::TickScheduler::Instance().Schedule(close_flag_.FlagReference(), close, kCloseDelayMs, 1))
    PostToThisLoop(close);
}

void WindowImplBase::CloseNow(int result) {
  closing_ = false;
  if (!IsNativeAlive()) return;
  if (HandleClose(result)) {
    // The window stays: it must not stay faded out.
    fade_flag_.Revoke();
    SetOpacity(255);
    return;
  }
  NotifyControl(GetHoverControl(), kEventMouseLeave);
  CancelPress();
  input_.key_down.Clear();
  FocusControl(nullptr);
  ReleaseOwner();
  if (AccessibleTree* tree = GetAccessibleTree()) tree->NotifyRoot(AccessibleEvent::kHide);
  native_->Destroy();
}

void WindowImplBase::ReleaseOwner() {
  if (!owner_disabled_) return;
  owner_disabled_ = false;
  if (owner_alive_.expired()) return;
  std::erase_if(owner_->input_.owned, [this](const OwnedBox& box) { return box.window == this; });
  owner_->EnableInput(true);
  // A box still up keeps the focus (the owner stays blocked under it).
  if (WindowImplBase* box = owner_->TopOwnedBox()) {
    if (box->IsNativeAlive()) box->native_->TakeFocus();
  } else if (owner_->IsInputEnabled() && owner_->IsNativeAlive()) {
    owner_->native_->TakeFocus();
  }
}

WindowImplBase* WindowImplBase::TopOwnedBox() const {
  for (auto it = input_.owned.rbegin(); it != input_.owned.rend(); ++it)
    if (!it->alive.expired() && it->window != this && it->window->IsNativeAlive()) return it->window;
  return nullptr;
}

void WindowImplBase::EnableInput(bool enabled) {
  if (!enabled) {
    ++input_.blocks;
    CancelPress();
    input_.key_down.Clear();
  } else if (input_.blocks > 0) {
    --input_.blocks;
  }
  if (IsNativeAlive()) native_->SetInputEnabled(input_.blocks == 0);
}

void WindowImplBase::CancelPress() {
  Control* pressed = input_.pressed.Get(this);
  input_.pressed.Clear();
  if (!pressed) return;
  if (IsNativeAlive()) native_->CaptureMouse(false);
  NotifyControl(pressed, kEventInternalCancelPress);
}

void WindowImplBase::OnControlStateChanged(Control* control) {
  Control* pressed = input_.pressed.Get(this);
  if (pressed && IsInside(pressed, control) && !TakesInput(pressed)) CancelPress();
  Control* focus = GetFocusControl();
  if (focus && IsInside(focus, control) && !TakesInput(focus)) FocusControl(nullptr);
}

void WindowImplBase::AddWindowHandler(UiEventKind kind, EventHandler handler) {
  window_handlers_[kind].push_back(std::move(handler));
}

void WindowImplBase::RaiseWindowEvent(UiEventKind kind) {
  EventArgs args;
  args.type = kind;
  args.timestamp = static_cast<uint64_t>(nbase::CurrentTime() / 1000);
  args.mouse_point = LastMousePoint();
  for (int list : {static_cast<int>(kind), static_cast<int>(kEventAll)}) {
    auto it = window_handlers_.find(list);
    if (it == window_handlers_.end()) continue;
    std::vector<EventHandler> handlers = it->second;
    for (const auto& handler : handlers) handler(args);
  }
}

void WindowImplBase::FocusControl(Control* control) {
  if (IsNativeAlive() && control && control != GetFocusControl() && !native_->HasFocus()) native_->TakeFocus();
  Control* old = GetFocusControl();
  if (control == old) return;
  if (keyboard_cues_) {
    InvalidateFocusMark(old);
    InvalidateFocusMark(control);
  }
  if (old) {
    NotifyControl(old, kEventInternalKillFocus);
    SetFocusControl(nullptr);
    NotifyControl(old, kEventKillFocus);
  }
  if (!control || control->GetWindow() != this || !control->IsVisible() || !control->IsEnabled()) return;
  SetFocusControl(control);
  NotifyControl(control, kEventInternalSetFocus);
  if (GetFocusControl() == control) NotifyControl(control, kEventSetFocus);
}

void WindowImplBase::ShowKeyboardCues(bool show) {
  if (keyboard_cues_ == show) return;
  keyboard_cues_ = show;
  InvalidateFocusMark(GetFocusControl());
}

int WindowImplBase::FocusMarkWidth() const { return std::max(1, DpiScale::Get().ScaleValue(1)); }

void WindowImplBase::InvalidateFocusMark(Control* control) {
  UiRect rect = FocusMarkRect(control);
  if (rect.IsEmpty()) return;
  // Anti-aliased drawing may spill a little: repaint a margin as wide as the mark.
  const int w = FocusMarkWidth();
  rect.Inflate(UiRect(w, w, w, w));
  OnInvalidate(rect);
}

UiRect WindowImplBase::FocusMarkRect(Control* control) const {
  if (!control || control->GetWindow() != this) return UiRect();
  UiRect rect = control->GetRect();
  if (rect.IsEmpty()) return UiRect();
  const int gap = DpiScale::Get().ScaleValue(3);
  rect.Inflate(UiRect(gap, gap, gap, gap));
  return rect;
}

void WindowImplBase::DrawFocusMark() {
  Control* focus = GetFocusControl();
  if (!keyboard_cues_ || !TakesInput(focus)) return;
  const std::vector<Control*> stops = TabStops(GetRoot());
  if (std::find(stops.begin(), stops.end(), focus) == stops.end()) return;
  ArgbColor color = ResourceManager::Get().GetColor(u"focus_mark");
  if (!color) color = 0xFF2F6FEB;
  // Four filled edges inside the frame: every side lands on whole pixels
  // within the rectangle that is repainted when the focus moves on.
  const UiRect r = FocusMarkRect(focus);
  const int w = std::min({FocusMarkWidth(), r.Width() / 2, r.Height() / 2});
  if (w <= 0) return;
  context_->FillColor(UiRect(r.left, r.top, r.right, r.top + w), color);
  context_->FillColor(UiRect(r.left, r.bottom - w, r.right, r.bottom), color);
  context_->FillColor(UiRect(r.left, r.top + w, r.left + w, r.bottom - w), color);
  context_->FillColor(UiRect(r.right - w, r.top + w, r.right, r.bottom - w), color);
}

bool WindowImplBase::CaptionButtonClicked(const EventArgs& args) {
  if (!args.sender || !IsNativeAlive()) return true;
  const String& name = args.sender->GetName();
  Control* max = LocateControl(u"maxbtn");
  Control* restore = LocateControl(u"restorebtn");
  if (name == u"closebtn") {
    CloseWithResult(1);
  } else if (name == u"minbtn") {
    native_->Minimize();
  } else if (name == u"maxbtn") {
    if (max && restore) {
      max->SetVisibleWithFade(false);
      restore->SetVisibleWithFade(true);
    }
    native_->Maximize();
  } else if (name == u"restorebtn") {
    if (max && restore) {
      max->SetVisibleWithFade(true);
      restore->SetVisibleWithFade(false);
    }
    native_->Restore();
  }
  return true;
}

// ---- Painting ----

UiSize WindowImplBase::ClientSize() const { return client_size_; }

void WindowImplBase::OnInvalidate(const UiRect& rect) {
  dirty_ = Union(dirty_, rect);
  SchedulePaint();
}

void WindowImplBase::OnLayoutRequested() {
  dirty_ = UiRect(0, 0, client_size_.cx, client_size_.cy);
  SchedulePaint();
}

void WindowImplBase::OnNativeExposed(const UiRect& dirty) { OnInvalidate(dirty); }

void WindowImplBase::SchedulePaint() {
  if (paint_posted_ || !IsNativeAlive()) return;
  paint_posted_ = PostToThisLoop(MakeGuarded([this] {
    paint_posted_ = false;
    PaintPending();
  }));
}

void WindowImplBase::PaintPending() {
  if (!IsNativeAlive() || !GetRoot() || !context_) return;
  if (native_->IsMinimized()) {
    dirty_ = UiRect();
    return;
  }
  Control* root = GetRoot();
  if (IsLayoutNeeded() && (root->FixedWidth() == kSizeAuto || root->FixedHeight() == kSizeAuto)) {
    UiSize wanted = InitialClientSize();
    if (wanted.cx > 0 && wanted.cy > 0 && !(wanted == client_size_)) {
      UiRect at = native_->GetScreenRect();
      native_->Move(UiRect(at.left, at.top, at.left + wanted.cx, at.top + wanted.cy));
      client_size_ = wanted;
    }
  }
  const UiRect full(0, 0, client_size_.cx, client_size_.cy);
  if (context_->Resize(full.Width(), full.Height())) {
    context_->SetTransparent(!Attributes().shadow_attached);
    dirty_ = full;
  }
  if (IsLayoutNeeded()) {
    Arrange(full);
    dirty_ = full;
    if (first_layout_pending_) {
      first_layout_pending_ = false;
      OnFirstLayout();
    }
  }
  const UiRect dirty = dirty_.Intersection(full);
  dirty_ = UiRect();
  if (dirty.IsEmpty()) return;
  if (has_alpha_) context_->ClearAlpha(dirty, 0);
  {
    AutoClip clip(context_.get(), dirty);
    Paint(context_.get(), dirty);
    DrawFocusMark();
  }
  if (has_alpha_) {
    // The window's body is opaque whatever the drawing left in its alpha;
    // the shadow and rounded corners outside it keep theirs.
    UiRect body = root->GetRect();
    if (Attributes().shadow_attached) {
      const UiRect pad = ShadowPadding();
      body.Deflate(pad);
      UiRect inset(pad.left + 1, pad.top + 1, pad.right + 1, pad.bottom + 1);
      context_->RestoreAlpha(body.Intersection(dirty), inset, 0);
    } else {
      const UiRect& fix = Attributes().alpha_fix_corner;
      if (fix.left > 0 || fix.top > 0 || fix.right > 0 || fix.bottom > 0) {
        body.Deflate(fix);
        context_->RestoreAlpha(body.Intersection(dirty), UiRect(), 0);
      }
    }
  }
  if (native_->Present(*context_, dirty, static_cast<uint8_t>(opacity_))) {
    ++frames_presented_;
    OnFramePresented();
  }
}

void WindowImplBase::OnFirstLayout() {
  if (!has_alpha_) return;
  opacity_ = 0;
  StartFade(0, 255);
}

void WindowImplBase::SetOpacity(int alpha) {
  if (!GetRoot()) return;
  opacity_ = std::clamp(alpha, 0, 255);
  OnInvalidate(UiRect(0, 0, client_size_.cx, client_size_.cy));
}

void WindowImplBase::StartFade(int from, int to) {
  fade_flag_.Revoke();
  fade_from_ = from;
  fade_to_ = to;
  fade_start_us_ = nbase::CurrentTime();
  // A fade that cannot run ends at once: a window never stays invisible.
  if (!nbase::TickScheduler::Instance().Schedule(fade_flag_.FlagReference(), [this] { FadeStep(); },
                                                 nbase::TickScheduler::kFastPeriodMs, -1))
    SetOpacity(to);
}

void WindowImplBase::FadeStep() {
  double t = static_cast<double>(nbase::CurrentTime() - fade_start_us_) / (kFadeMs * 1000.0);
  if (t >= 1.0) {
    fade_flag_.Revoke();
    SetOpacity(fade_to_);
    return;
  }
  SetOpacity(fade_from_ + static_cast<int>((fade_to_ - fade_from_) * FadeCurve(std::max(t, 0.0))));
}

void WindowImplBase::OnDeleteLaterPosted() {
  PostToThisLoop(MakeGuarded([this] { FlushDeleted(); }));
}

int WindowImplBase::WorkAreaHeight() const {
  return (IsNativeAlive() ? native_->WorkArea() : NativeWindow::PrimaryWorkArea()).Height();
}

// ---- Input ----

HitArea WindowImplBase::OnNativeHitTest(UiPoint point) {
  UiRect client(0, 0, client_size_.cx, client_size_.cy);
  if (Attributes().shadow_attached) client.Deflate(ShadowPadding());
  const UiRect& box = Attributes().size_box;
  if (IsNativeAlive() && !native_->IsMaximized()) {
    const bool left = point.x < client.left + box.left, right = point.x >= client.right - box.right;
    if (point.y < client.top + box.top) {
      if (point.y < client.top) return HitArea::kClient;
      return left ? HitArea::kTopLeft : right ? HitArea::kTopRight : HitArea::kTop;
    }
    if (point.y >= client.bottom - box.bottom) {
      if (point.y >= client.bottom) return HitArea::kClient;
      return left ? HitArea::kBottomLeft : right ? HitArea::kBottomRight : HitArea::kBottom;
    }
    if (left) return point.x < client.left ? HitArea::kClient : HitArea::kLeft;
    if (right) return point.x >= client.right ? HitArea::kClient : HitArea::kRight;
  }
  const UiRect& caption = Attributes().caption;
  if (point.x >= client.left + caption.left && point.x < client.right - caption.right &&
      point.y >= client.top + caption.top && point.y < client.top + caption.bottom) {
    Control* control = LocateControl(point);
    if (!control) return HitArea::kClient;
    // Buttons (check boxes and options among them) and text boxes take their
    // own presses; anything else drags the window.
    if (dynamic_cast<Button*>(control) || dynamic_cast<ButtonBox*>(control) || control->GetTag() == u"RichEdit")
      return HitArea::kClient;
    return HitArea::kCaption;
  }
  return HitArea::kClient;
}

CursorType WindowImplBase::OnNativeCursor(UiPoint point) {
  if (input_.pressed.Get(this)) return kCursorArrow;
  Control* control = LocateControl(point);
  if (!control || control->GetWindow() != this) return kCursorArrow;
  NotifyControl(control, kEventSetCursor);
  return control->IsEnabled() ? control->GetCursorType() : kCursorArrow;
}

void WindowImplBase::UpdateHover(UiPoint point) {
  Control* hit = LocateControl(point);
  if (hit && hit->GetWindow() != this) return;
  Control* hover = GetHoverControl();
  if (hover && hover != hit) {
    SetHoverControl(nullptr);
    NotifyControl(hover, kEventMouseLeave);
  }
  if (hit && hit != GetHoverControl()) {
    SetHoverControl(hit);
    NotifyControl(hit, kEventMouseEnter);
  }
}

void WindowImplBase::OnNativeMouse(MouseAction action, UiPoint point, uint32_t modifiers, int wheel) {
  if (!IsInputEnabled() && action != MouseAction::kLeave) return;
  const auto mods = static_cast<intptr_t>(modifiers);
  switch (action) {
    case MouseAction::kMove:
    case MouseAction::kLeave: {
      if (action == MouseAction::kLeave) point = UiPoint{-1, -1};
      SetLastMousePoint(point);
      UpdateHover(point);
      Control* target = input_.pressed.Get(this);
      if (!target) target = GetHoverControl();
      if (target && action == MouseAction::kMove) NotifyControl(target, kEventMouseMove, 0, mods);
      break;
    }
    case MouseAction::kLeftDown:
    case MouseAction::kLeftDoubleClick:
    case MouseAction::kRightDown: {
      SetLastMousePoint(point);
      const bool alive = IsNativeAlive();
      if (alive && action != MouseAction::kRightDown && OnNativeHitTest(point) == HitArea::kCaption) {
        native_->BeginCaptionDrag(point);
        break;
      }
      if (alive && !native_->HasFocus()) native_->TakeFocus();
      ShowKeyboardCues(false);
      Control* control = LocateControl(point);
      if (!control || control->GetWindow() != this) break;
      CancelPress();  // a right press during a left one (or the reverse) ends the first
      input_.pressed.Set(control);
      if (action == MouseAction::kLeftDown && !control->IsNoFocus()) FocusControl(control);
      if (alive) native_->CaptureMouse(true);
      UiEventKind kind = action == MouseAction::kLeftDown    ? kEventButtonDown
                         : action == MouseAction::kRightDown ? kEventRButtonDown
                                                             : kEventInternalButtonDown;
      NotifyControl(control, kind, 0, mods);
      break;
    }
    case MouseAction::kLeftUp:
    case MouseAction::kRightUp: {
      SetLastMousePoint(point);
      Control* pressed = input_.pressed.Get(this);
      if (pressed && !TakesInput(pressed)) {
        CancelPress();
        break;
      }
      if (IsNativeAlive()) native_->CaptureMouse(false);
      if (action == MouseAction::kLeftUp) input_.pressed.Clear();
      if (pressed)
        NotifyControl(pressed, action == MouseAction::kLeftUp ? kEventButtonUp : kEventRButtonUp, 0, mods);
      break;
    }
    case MouseAction::kWheel: {
      Control* control = LocateControl(point);
      if (control && control->GetWindow() == this)
        NotifyControl(control, kEventScrollWheel, static_cast<uintptr_t>(static_cast<intptr_t>(wheel)), mods);
      break;
    }
  }
}

Control* WindowImplBase::KeyTarget() {
  Control* focus = GetFocusControl();
  if (focus && !TakesInput(focus)) {
    FocusControl(nullptr);
    return nullptr;
  }
  return focus;
}

void WindowImplBase::OnNativeKey(KeyAction action, uint32_t virtual_key, uint32_t modifiers) {
  if (!IsInputEnabled()) return;
  const UiPoint point = LastMousePoint();
  if (action == KeyAction::kDown) {
    if (HandleKeyPress(virtual_key)) return;
    if (virtual_key == kVkTab && !(modifiers & (kModControl | kModAlt))) {
      ShowKeyboardCues(true);
      if (Control* next = NextTabStop(GetRoot(), GetFocusControl(), (modifiers & kModShift) != 0))
        FocusControl(next);
      return;
    }
    if (virtual_key == kVkSpace || virtual_key == kVkReturn) ShowKeyboardCues(true);
    Control* focus = KeyTarget();
    input_.key_down.Set(focus);
    if (focus)
      focus->RaiseEvent(kEventKeyDown, virtual_key, static_cast<intptr_t>(modifiers),
                        static_cast<char16_t>(virtual_key), point);
    return;
  }
  Control* down = input_.key_down.Get(this);
  input_.key_down.Clear();
  if (down && TakesInput(down))
    down->RaiseEvent(kEventKeyUp, virtual_key, static_cast<intptr_t>(modifiers), static_cast<char16_t>(virtual_key),
                     point);
}

void WindowImplBase::OnNativeChar(char16_t ch) {
  if (!IsInputEnabled()) return;
  if (Control* focus = KeyTarget()) focus->RaiseEvent(kEventChar, ch, 0, ch, LastMousePoint());
}

void WindowImplBase::OnNativeFocus(bool gained) {
  if (gained) return;
  // A press that loses the window's focus is cancelled, never completed.
  CancelPress();
  input_.key_down.Clear();
}

void WindowImplBase::OnNativeResized(UiSize client, SizeKind kind) {
  if (kind == SizeKind::kMinimized) return;
  if (client == client_size_) return;
  client_size_ = client;
  SetLayoutNeeded();
}

void WindowImplBase::OnNativeCloseRequested() {
  if (!IsInputEnabled()) {
    if (WindowImplBase* box = TopOwnedBox()) box->BringToFront();
    return;
  }
  OnCloseRequested();
}

void WindowImplBase::OnNativeDestroyed() {
  if (gone_) return;
  gone_ = true;
  fade_flag_.Revoke();
  close_flag_.Revoke();
  ReleaseOwner();
  RaiseWindowEvent(kEventWindowClose);
  if (!delete_posted_) delete_posted_ = PostToThisLoop(MakeGuarded([this] { OnNativeGone(); }));
}

void WindowImplBase::OnNativeGone() { delete this; }

}  // namespace ui
