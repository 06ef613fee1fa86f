#include "ui/control/layout.h"

#include <algorithm>
#include <cstdint>

#include "ui/control/box.h"
#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"

namespace ui {

namespace {

int ClampToLimits(int value, int min_value, int max_value) {
  if (value < min_value) value = min_value;
  // A negative maximum (written as stretch or auto) sets no limit.
  if (max_value >= 0 && value > max_value) value = max_value;
  return value;
}

// Layout numbers are clamped when read, but a row of many large children
// still sums past int: sums are taken in 64 bits and brought back here.
int Saturate(int64_t value) {
  constexpr int64_t kLimit = INT32_MAX / 4;  // room left for Width() of a placed rectangle
  return static_cast<int>(std::clamp<int64_t>(value, -kLimit, kLimit));
}

}  // namespace

bool Layout::ApplyAttribute(StringView name, StringView value) {
  if (name == u"padding") {
    UiRect padding;
    ParseRectNumbers(value, &padding);
    SetPadding(padding, true);
    return true;
  }
  if (name == u"childmargin") {
    SetChildMargin(ParseDecimal(value), true);
    return true;
  }
  return false;
}

void Layout::SetPadding(const UiRect& padding, bool scale) {
  padding_ = padding;
  if (scale) {
    auto& dpi = DpiScale::Get();
    padding_ = UiRect(dpi.ScaleValue(padding.left), dpi.ScaleValue(padding.top), dpi.ScaleValue(padding.right),
                      dpi.ScaleValue(padding.bottom));
  }
  if (owner_) owner_->RequestLayout();
}

void Layout::SetChildMargin(int margin, bool scale) {
  child_margin_ = scale ? DpiScale::Get().ScaleValue(margin) : margin;
}

UiSize Layout::ClampedEstimate(Control* child, UiSize available) {
  UiSize size = child->EstimateSize(available);
  if (size.cx != kSizeStretch) size.cx = ClampToLimits(size.cx, child->MinWidth(), child->MaxWidth());
  if (size.cy != kSizeStretch) size.cy = ClampToLimits(size.cy, child->MinHeight(), child->MaxHeight());
  return size;
}

UiSize Layout::PlaceFloating(Control* child, const UiRect& content) {
  if (!child->IsVisible()) return UiSize();
  const UiRect& m = child->GetMargin();
  UiRect area(content.left + m.left, content.top + m.top, content.right - m.right, content.bottom - m.bottom);
  UiSize available{area.Width(), area.Height()};
  UiSize size = child->EstimateSize(available);
  // An auto-sized text that is too wide is measured again at the available
  // width so that it can wrap.
  if (child->FixedWidth() == kSizeAuto && child->FixedHeight() == kSizeAuto && child->MaxWidth() == -1 &&
      available.cx > 0 && size.cx > available.cx)
    size = child->EstimateSizeAtWidth(available.cx, available);

  int width = size.cx == kSizeStretch ? std::max(0, available.cx) : size.cx;
  width = ClampToLimits(width, child->MinWidth(), child->MaxWidth());
  int height = size.cy == kSizeStretch ? std::max(0, available.cy) : size.cy;
  height = ClampToLimits(height, child->MinHeight(), child->MaxHeight());

  int x = area.left;
  if (child->GetHAlign() == HorAlign::kRight) x = area.right - width;
  else if (child->GetHAlign() == HorAlign::kCenter) x = area.left + (available.cx - width) / 2;
  int y = area.top;
  if (child->GetVAlign() == VerAlign::kBottom) y = area.bottom - height;
  else if (child->GetVAlign() == VerAlign::kCenter) y = area.top + (available.cy - height) / 2;
  child->Place(UiRect(x, y, x + width, y + height));
  return UiSize{width, height};
}

UiSize Layout::ArrangeChildren(const std::vector<Control*>& items, const UiRect& content) {
  UiSize result;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    UiSize placed = PlaceFloating(child, content);
    result.cx = std::max(result.cx, placed.cx);
    result.cy = std::max(result.cy, placed.cy);
  }
  return result;
}

UiSize Layout::MeasureChildren(const std::vector<Control*>& items, UiSize available) {
  // Starts from 0: a box whose children are all hidden needs only its padding.
  int64_t cx = 0, cy = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    UiSize s = ClampedEstimate(child, available);
    const UiRect& m = child->GetMargin();
    cx = std::max(cx, int64_t{std::max(0, s.cx)} + m.left + m.right);
    cy = std::max(cy, int64_t{std::max(0, s.cy)} + m.top + m.bottom);
  }
  return UiSize{Saturate(cx + padding_.left + padding_.right), Saturate(cy + padding_.top + padding_.bottom)};
}

// ---- LinearLayout ----
// Written for a row; a column swaps the axes through these accessors.

namespace {

struct Axis {
  bool vertical;
  int Main(UiSize s) const { return vertical ? s.cy : s.cx; }
  int Cross(UiSize s) const { return vertical ? s.cx : s.cy; }
  UiSize Make(int main, int cross) const { return vertical ? UiSize{cross, main} : UiSize{main, cross}; }
  int MarginBefore(const Control* c) const { return vertical ? c->GetMargin().top : c->GetMargin().left; }
  int MarginAfter(const Control* c) const { return vertical ? c->GetMargin().bottom : c->GetMargin().right; }
  int CrossBefore(const Control* c) const { return vertical ? c->GetMargin().left : c->GetMargin().top; }
  int CrossAfter(const Control* c) const { return vertical ? c->GetMargin().right : c->GetMargin().bottom; }
  int MinMain(const Control* c) const { return vertical ? c->MinHeight() : c->MinWidth(); }
  int MaxMain(const Control* c) const { return vertical ? c->MaxHeight() : c->MaxWidth(); }
  int MinCross(const Control* c) const { return vertical ? c->MinWidth() : c->MinHeight(); }
  int MaxCross(const Control* c) const { return vertical ? c->MaxWidth() : c->MaxHeight(); }
  // 0 = start, 1 = centre, 2 = end, across the row.
  int CrossAlign(const Control* c) const {
    if (vertical) return c->GetHAlign() == HorAlign::kLeft ? 0 : c->GetHAlign() == HorAlign::kCenter ? 1 : 2;
    return c->GetVAlign() == VerAlign::kTop ? 0 : c->GetVAlign() == VerAlign::kCenter ? 1 : 2;
  }
};

}  // namespace

UiSize LinearLayout::ArrangeChildren(const std::vector<Control*>& items, const UiRect& content) {
  const Axis axis{vertical_};
  const int main_start = vertical_ ? content.top : content.left;
  const int cross_start = vertical_ ? content.left : content.top;
  const int main_extent = vertical_ ? content.Height() : content.Width();
  const int cross_extent = vertical_ ? content.Width() : content.Height();
  const UiSize available = axis.Make(main_extent, cross_extent);

  // 1-3: the fixed sum and the share of each stretching child.
  int64_t fixed = 0;
  int measured = 0;
  int stretching = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    int main = axis.Main(child->EstimateSize(available));
    if (main == kSizeStretch) {
      ++stretching;
    } else {
      fixed += ClampToLimits(main, axis.MinMain(child), axis.MaxMain(child));
    }
    fixed += int64_t{axis.MarginBefore(child)} + axis.MarginAfter(child);
    ++measured;
  }
  if (measured > 1) fixed += int64_t{child_margin_} * (measured - 1);
  int share = 0;
  int64_t remainder = 0;
  if (stretching > 0) {
    share = Saturate(std::max<int64_t>(0, (main_extent - fixed) / stretching));
    remainder = main_extent - int64_t{stretching} * share - fixed;
  }

  // 4: place one after another.
  int64_t cursor = main_start;
  int64_t remaining = main_extent;
  int64_t total = 0;
  int largest_cross = 0;
  int placed = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloating(child, content);
      continue;
    }
    const int before = axis.MarginBefore(child);
    const int after = axis.MarginAfter(child);
    const int cross_before = axis.CrossBefore(child);
    const int cross_after = axis.CrossAfter(child);
    remaining -= before;
    UiSize estimate = child->EstimateSize(axis.Make(Saturate(remaining), cross_extent));
    int main = axis.Main(estimate);
    if (main == kSizeStretch) {
      main = share;
      if (remainder > 0) {
        ++main;
        --remainder;
      }
    }
    main = ClampToLimits(main, axis.MinMain(child), axis.MaxMain(child));
    int cross = axis.Cross(estimate);
    if (cross == kSizeStretch) cross = std::max(0, cross_extent - cross_before - cross_after);
    cross = ClampToLimits(cross, axis.MinCross(child), axis.MaxCross(child));

    int64_t cross_at = int64_t{cross_start} + cross_before;
    int align = axis.CrossAlign(child);
    if (align == 2) cross_at = int64_t{cross_start} + cross_extent - cross_after - cross;
    else if (align == 1) cross_at = cross_start + (int64_t{cross_before} + cross_extent - cross_after - cross) / 2;
    const int cross_pos = Saturate(cross_at);
    cross = std::min(cross, Saturate(int64_t{cross_pos} + cross) - cross_pos);

    const int main_pos = Saturate(cursor + before);
    main = std::min(main, Saturate(int64_t{main_pos} + main) - main_pos);
    if (vertical_)
      child->Place(UiRect(cross_pos, main_pos, cross_pos + cross, main_pos + main));
    else
      child->Place(UiRect(main_pos, cross_pos, main_pos + main, cross_pos + cross));
    cursor += int64_t{before} + main + after + child_margin_;
    remaining -= int64_t{main} + after + child_margin_;
    total += int64_t{before} + main + after;
    largest_cross = std::max(largest_cross, cross);
    ++placed;
  }
  if (placed > 1) total += int64_t{child_margin_} * (placed - 1);
  return axis.Make(Saturate(total), largest_cross);
}

UiSize LinearLayout::MeasureChildren(const std::vector<Control*>& items, UiSize available) {
  const Axis axis{vertical_};
  int64_t main_total = 0;
  int64_t cross_largest = 0;
  int n = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    UiSize s = ClampedEstimate(child, available);
    main_total += int64_t{std::max(0, axis.Main(s))} + axis.MarginBefore(child) + axis.MarginAfter(child);
    cross_largest = std::max(cross_largest,
                             int64_t{std::max(0, axis.Cross(s))} + axis.CrossBefore(child) + axis.CrossAfter(child));
    ++n;
  }
  if (n >= 2) main_total += int64_t{child_margin_} * (n - 1);
  const UiSize sums = axis.Make(Saturate(main_total), Saturate(cross_largest));
  return UiSize{Saturate(int64_t{sums.cx} + padding_.left + padding_.right),
                Saturate(int64_t{sums.cy} + padding_.top + padding_.bottom)};
}

}  // namespace ui
