// Layouts: how a Box places its children.
//
//   Layout   children over one another, each placed by its margins and
//            alignment inside the content rectangle (floating placement)
//   HLayout  children in a row: fixed and auto widths first, the rest shared
//            by the stretching children, remainder pixels to the first ones
//   VLayout  the same in a column
//
// Padding (inside the box, around all children) and the gap between
// consecutive children (`childmargin`) are attributes of the layout, tried
// before the box's own. All values are pixels after scaling.
#pragma once

#include <vector>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

class Box;
class Control;

class Layout {
 public:
  Layout() = default;
  virtual ~Layout() = default;
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  virtual bool ApplyAttribute(StringView name, StringView value);
  // Places `items` in `content`; returns the size they take.
  virtual UiSize ArrangeChildren(const std::vector<Control*>& items, const UiRect& content);
  // The size an auto-sized box needs for `available` (padding included).
  virtual UiSize MeasureChildren(const std::vector<Control*>& items, UiSize available);

  const UiRect& GetPadding() const { return padding_; }
  void SetPadding(const UiRect& padding, bool scale);
  int GetChildMargin() const { return child_margin_; }
  void SetChildMargin(int margin, bool scale);
  void SetOwner(Box* owner) { owner_ = owner; }

  // Floating placement of one child inside `content` (margins, estimate,
  // stretch, min/max, alignment). Returns the size given to it.
  static UiSize PlaceFloating(Control* child, const UiRect& content);

 protected:
  // The child's estimate for `available`, with min/max applied to the
  // dimensions that are not stretching (-1 stays -1).
  static UiSize ClampedEstimate(Control* child, UiSize available);

  UiRect padding_;
  int child_margin_ = 0;
  Box* owner_ = nullptr;
};

// Row (HLayout) or column (VLayout): one implementation, the axis chosen at
// construction.
class LinearLayout : public Layout {
 public:
  explicit LinearLayout(bool vertical) : vertical_(vertical) {}
  UiSize ArrangeChildren(const std::vector<Control*>& items, const UiRect& content) override;
  UiSize MeasureChildren(const std::vector<Control*>& items, UiSize available) override;
  bool IsVertical() const { return vertical_; }

 private:
  const bool vertical_;
};

class HLayout final : public LinearLayout {
 public:
  HLayout() : LinearLayout(false) {}
};

class VLayout final : public LinearLayout {
 public:
  VLayout() : LinearLayout(true) {}
};

}  // namespace ui
