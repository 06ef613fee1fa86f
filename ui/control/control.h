// Control: the base of every visible element of a window.
//
// A control is a rectangle in its window with a name, a size policy (fixed
// pixels, -1 stretch or -2 auto), margins, colours, images, a state (normal,
// hot, pushed, disabled) and event handlers. It is configured by textual
// attributes (layouts, classes, `applyattribute` lists) through
// ApplyAttribute, which each class implements with its own AttributeTable and
// then hands to its base. A parent Box places it (Place) and paints it
// (Render); the window feeds it input as EventArgs (HandleEvent).
//
// Painting order: background colour, background image, state colour, state
// images, label text, border, then children (boxes). Colour names resolve
// through ResourceManager at paint time; a colour of 0 paints nothing.
//
// Fades: the hot fade moves the hot alpha over kHotFadeMs on the UI thread's
// timer service (TickScheduler), from wherever it stands, so a quick leave
// after an enter turns back smoothly. Where the thread has no timer service
// (off-screen tools) it ends at once. Other fade flags are kept for layouts.
//
// UI thread only. A control derives from SupportWeakCallback: handlers bound
// with MakeGuarded die with it.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "base/weak_callback.h"
#include "ui/accessibility/accessible_types.h"
#include "ui/control/attribute_table.h"
#include "ui/control/event_args.h"
#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"
#include "ui/render/image.h"

namespace ui {

class Box;
class IRenderContext;
class Window;

inline constexpr int kSizeStretch = -1;
inline constexpr int kSizeAuto = -2;
inline constexpr int kDefaultMaxSize = 9999999;

enum class HorAlign { kLeft, kCenter, kRight };
enum class VerAlign { kTop, kCenter, kBottom };

// Control search flags (Box::FindControl).
enum FindFlags : uint32_t {
  kFindVisible = 1,
  kFindEnabled = 2,
  kFindHitTest = 4,
  kFindTopFirst = 8,
  kFindMeFirst = 0x80000000u,
};

// Per-state image specifications (background or foreground set).
struct StateImageSet {
  ImageSpec images[kControlStateCount];
  bool Has(ControlState state) const { return !images[state].file.empty(); }
  bool HasHot() const { return Has(kControlStateHot); }
};

class Control : public nbase::SupportWeakCallback {
 public:
  // Duration of the hot fade (mouse enter forwards, leave backwards).
  static constexpr int kHotFadeMs = 250;

  // Accepts a control (returns it) or refuses it (nullptr).
  using FindVisitor = std::function<Control*(Control* control, const void* data)>;

  Control();
  ~Control() override;

  // --- Identity and tree ---
  const String& GetName() const { return name_; }
  void SetName(StringView name);
  const String& GetDataId() const { return data_id_; }
  // The layout tag that created the control (empty when made by code).
  const String& GetTag() const { return tag_; }
  void SetTag(StringView tag) { tag_ = String(tag); }
  Window* GetWindow() const { return window_; }
  Box* GetParent() const { return parent_; }
  // Attaches the control (boxes: and their subtree) to `window` under
  // `parent`; the window enters named controls in its name map.
  virtual void SetWindow(Window* window, Box* parent);
  virtual Box* AsBox() { return nullptr; }

  // --- Attributes ---
  // True when the name was handled by this class or a base class.
  virtual bool ApplyAttribute(StringView name, StringView value);
  void ApplyAttributeList(StringView list);
  // Each class's list from the global table, else from the window's table;
  // a class that names itself (directly or through others) is skipped.
  void ApplyClasses(StringView class_list);
  // The attribute list of class `name`: the global table's, else the window's.
  String ClassAttributes(StringView name) const;

  // --- Geometry ---
  int FixedWidth() const { return fixed_width_; }
  int FixedHeight() const { return fixed_height_; }
  // `scale`: multiply positive values by the screen scale.
  void SetFixedWidth(int width, bool scale);
  void SetFixedHeight(int height, bool scale);
  int MinWidth() const { return min_width_; }
  int MinHeight() const { return min_height_; }
  int MaxWidth() const { return max_width_; }
  int MaxHeight() const { return max_height_; }
  void SetMinWidth(int width);
  void SetMinHeight(int height);
  void SetMaxWidth(int width);
  void SetMaxHeight(int height);
  const UiRect& GetMargin() const { return margin_; }
  void SetMargin(const UiRect& margin, bool scale);
  HorAlign GetHAlign() const { return halign_; }
  VerAlign GetVAlign() const { return valign_; }
  bool IsFloat() const { return float_; }
  void SetFloat(bool value);
  const UiRect& GetRect() const { return rect_; }
  // Places the control (boxes also arrange their children).
  virtual void Place(const UiRect& rect);
  // The size the control wants for the available space: fixed dimensions as
  // set, auto ones from content (the background image's size here).
  virtual UiSize EstimateSize(UiSize available);
  // The estimate with the width fixed to `width` for the call (text wraps).
  UiSize EstimateSizeAtWidth(int width, UiSize available);
  bool Contains(UiPoint point) const { return rect_.Contains(point); }

  // --- Visibility, state, input ---
  bool IsVisible() const { return visible_ && !hidden_by_parent_; }
  bool IsOwnVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void SetVisibleWithFade(bool visible);
  // Boxes pass their effective visibility down to their subtree.
  virtual void SetHiddenByParent(bool hidden);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return mouse_enabled_; }
  void SetMouseEnabled(bool enabled) { mouse_enabled_ = enabled; }
  bool IsKeyboardEnabled() const { return keyboard_enabled_; }
  void SetKeyboardEnabled(bool enabled) { keyboard_enabled_ = enabled; }
  bool IsNoFocus() const { return no_focus_; }
  bool IsFocused() const { return focused_; }
  ControlState GetState() const { return state_; }
  void SetState(ControlState state);
  int GetAlpha() const { return alpha_; }
  void SetAlpha(int alpha);
  int GetHotAlpha() const { return hot_alpha_; }
  bool HasHotFade() const { return fade_hot_; }
  CursorType GetCursorType() const { return cursor_; }
  const String& GetToolTipText() const { return tooltip_; }
  bool ReceivesPointer() const { return receive_pointer_; }
  bool IsContextMenuUsed() const { return context_menu_; }

  // Asks the window to repaint the control's rectangle.
  void RequestRepaint();
  // Asks for a new layout: the parent arranges again (a floating control only
  // itself).
  void RequestLayout();
  bool NeedsLayout() const { return needs_layout_; }
  void ClearNeedsLayout() { needs_layout_ = false; }

  // --- Events ---
  void AddHandler(UiEventKind kind, EventHandler handler);
  // Handlers of layout `Event` elements (run after the code-added ones).
  void AddLayoutHandler(UiEventKind kind, EventHandler handler);
  // Builds an EventArgs with this control as sender and dispatches it.
  void RaiseEvent(UiEventKind kind, uintptr_t wparam = 0, intptr_t lparam = 0, char16_t key = 0,
                  UiPoint point = UiPoint(), float pressure = 0.0f);
  // The event chain: handlers (when this control is the sender), then OnEvent.
  virtual void HandleEvent(const EventArgs& args);
  // The control's own reaction; passes what it does not consume to the parent.
  virtual void OnEvent(const EventArgs& args);
  // Activation (button up inside, keyboard): nothing here, buttons click.
  virtual void Trigger() {}

  // --- Painting ---
  virtual void Render(IRenderContext* context, const UiRect& dirty);
  void DrawSelf(IRenderContext* context, const UiRect& dirty);
  virtual void DrawBackgroundColor(IRenderContext* context);
  virtual void DrawBackgroundImage(IRenderContext* context);
  virtual void DrawStateColor(IRenderContext* context);
  virtual void DrawStateImages(IRenderContext* context);
  virtual void DrawLabelText(IRenderContext* context) { (void)context; }
  virtual void DrawBorder(IRenderContext* context);
  virtual void DrawChildren(IRenderContext* context, const UiRect& dirty) { (void)context, (void)dirty; }
  // Draws `image` into the control's rectangle (see PaintImageSpec).
  bool DrawImageSpec(IRenderContext* context, ImageSpec& image, StringView modify = StringView(),
                     int fade = -1);
  // Drops loaded images (the window releases its cache).
  virtual void ReleaseImages();

  // --- Accessibility (ui/accessibility) ---
  // The layout's `accessiblename` (empty: the name comes from the text) and
  // `accessiblerole` (unset: the role comes from the control's kind).
  const String& GetAccessibleName() const { return accessible_name_; }
  void SetAccessibleName(StringView name);
  bool HasAccessibleRole() const { return has_accessible_role_; }
  AccessibleRole GetAccessibleRole() const { return accessible_role_; }
  void SetAccessibleRole(AccessibleRole role);
  // The control's node id, unique in the process, given on first use.
  int AccessibleId() const;

  // --- Search ---
  virtual Control* FindControl(const FindVisitor& visitor, const void* data, uint32_t flags);

  // Direct access for subclasses and tests.
  const ImageSpec& BackgroundImage() const { return bkimage_; }
  const String& BackgroundColor() const { return bkcolor_; }

 protected:
  // The folder images are relative to (resource root + window folder).
  String ImageFolder() const;
  ArgbColor ColorOf(StringView name) const;
  // The image whose natural size gives an auto size.
  virtual const ImageSpec* EstimateImage();
  // Draws one state image set by the state rules (background or foreground).
  void DrawStateImageSet(IRenderContext* context, StateImageSet& set);
  // Picks the colour name for the current state with fall-backs.
  static const String& PickStateColor(const String colors[kControlStateCount], ControlState state);
  void SetStateImage(StateImageSet& set, ControlState state, StringView value);
  void SetHotFadeFromAttribute();
  void StartHotFade(bool forwards);
  void HotFadeStep();

  String name_;
  String data_id_;
  String tag_;
  Window* window_ = nullptr;
  Box* parent_ = nullptr;

  int fixed_width_ = kSizeStretch;
  int fixed_height_ = kSizeStretch;
  int min_width_ = -1;
  int min_height_ = -1;
  int max_width_ = kDefaultMaxSize;
  int max_height_ = kDefaultMaxSize;
  UiRect rect_;
  UiRect paint_rect_;
  UiRect margin_;
  HorAlign halign_ = HorAlign::kLeft;
  VerAlign valign_ = VerAlign::kTop;
  bool float_ = false;

  bool visible_ = true;
  bool hidden_by_parent_ = false;
  bool enabled_ = true;
  bool mouse_enabled_ = true;
  bool keyboard_enabled_ = true;
  bool no_focus_ = false;
  bool focused_ = false;
  bool mouse_focused_ = false;
  bool context_menu_ = false;
  bool cache_ = false;
  bool cache_dirty_ = true;
  bool receive_pointer_ = true;
  bool needs_layout_ = true;
  int alpha_ = 255;
  int hot_alpha_ = 0;
  // Hot fade in progress: from, to, start time (microseconds).
  int hot_fade_from_ = 0;
  int hot_fade_to_ = 0;
  int64_t hot_fade_start_us_ = 0;
  nbase::WeakCallbackFlag hot_fade_flag_;
  ControlState state_ = kControlStateNormal;
  CursorType cursor_ = kCursorArrow;
  UiPoint render_offset_;

  String bkcolor_;
  String state_colors_[kControlStateCount];
  int border_size_ = 0;
  UiRect border_sides_;
  String border_color_;
  UiSize border_round_;
  ImageSpec bkimage_;
  StateImageSet bk_state_images_;
  StateImageSet fore_state_images_;
  String tooltip_;
  String tooltip_id_;

  bool fade_alpha_ = false;
  bool fade_hot_ = false;
  bool fade_width_ = false;
  bool fade_height_ = false;
  bool fade_slide_[4] = {false, false, false, false};  // from left, right, top, bottom

  std::map<int, std::vector<EventHandler>> handlers_;
  std::map<int, std::vector<EventHandler>> layout_handlers_;
  std::unique_ptr<IRenderContext> offscreen_;

  String accessible_name_;
  AccessibleRole accessible_role_ = AccessibleRole::kNone;
  bool has_accessible_role_ = false;
  mutable int accessible_id_ = 0;

 private:
  static const AttributeTable<Control>& Table();
};

}  // namespace ui
