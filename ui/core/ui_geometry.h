// Plain geometry records of the toolkit: rectangles, points and sizes in
// pixels, with the few helpers layout and drawing share. A rectangle includes
// its left/top edge and excludes its right/bottom edge, as on Windows.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ui {

struct UiPoint {
  int x = 0;
  int y = 0;
  bool operator==(const UiPoint&) const = default;
};

struct UiSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const UiSize&) const = default;
};

struct UiRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr UiRect() = default;
  constexpr UiRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(UiPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  // True when the two rectangles share at least one pixel.
  bool Intersects(const UiRect& o) const {
    return std::max(left, o.left) < std::min(right, o.right) &&
           std::max(top, o.top) < std::min(bottom, o.bottom);
  }
  // The common part; an empty rectangle (all 0) when there is none.
  UiRect Intersection(const UiRect& o) const {
    UiRect r(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
             std::min(bottom, o.bottom));
    return r.IsEmpty() ? UiRect() : r;
  }
  void Offset(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
  // Shrinks by per-side amounts (given as a rectangle of widths).
  void Deflate(const UiRect& by) { left += by.left; top += by.top; right -= by.right; bottom -= by.bottom; }
  void Inflate(const UiRect& by) { left -= by.left; top -= by.top; right += by.right; bottom += by.bottom; }
  bool operator==(const UiRect&) const = default;
};

// 32-bit colour, alpha in the top byte (0xAARRGGBB). 0 is never painted.
using ArgbColor = uint32_t;

}  // namespace ui
