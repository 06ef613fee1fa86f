#include "ui/render/nine_grid.h"

#include <algorithm>

#include "ui/core/dpi_scale.h"

namespace ui {
namespace {

void AddIfVisible(std::vector<ImagePiece>* pieces, const UiRect& paint, const UiRect& dest,
                  const UiRect& source) {
  if (dest.IsEmpty() || source.IsEmpty() || !dest.Intersects(paint)) return;
  pieces->push_back({dest, source});
}

// Tiles along one axis: [start, end) in the destination, tiles of `tile`
// pixels, only those meeting [paint_start, paint_end). Calls emit(offset,
// length) with offset from `start` and the (possibly cut) tile length.
template <class F>
void ForEachTile(int start, int end, int tile, int paint_start, int paint_end, F emit) {
  if (tile <= 0 || end <= start) return;
  int first = paint_start > start ? (paint_start - start) / tile : 0;
  for (int64_t offset = int64_t{first} * tile; start + offset < end && start + offset < paint_end;
       offset += tile) {
    int length = static_cast<int>(std::min<int64_t>(tile, end - start - offset));
    emit(static_cast<int>(offset), length);
  }
}

void LayoutCentre(std::vector<ImagePiece>* pieces, const UiRect& paint, const UiRect& d,
                  const UiRect& s, bool xtiled, bool ytiled) {
  if (d.IsEmpty() || s.IsEmpty() || !d.Intersects(paint)) return;
  int tw = s.Width();
  int th = s.Height();
  if (xtiled && ytiled) {
    ForEachTile(d.top, d.bottom, th, paint.top, paint.bottom, [&](int oy, int h) {
      ForEachTile(d.left, d.right, tw, paint.left, paint.right, [&](int ox, int w) {
        AddIfVisible(pieces, paint, UiRect(d.left + ox, d.top + oy, d.left + ox + w, d.top + oy + h),
                     UiRect(s.left, s.top, s.left + w, s.top + h));
      });
    });
  } else if (xtiled) {
    // Columns of the source centre's width, each as high as the centre.
    ForEachTile(d.left, d.right, tw, paint.left, paint.right, [&](int ox, int w) {
      AddIfVisible(pieces, paint, UiRect(d.left + ox, d.top, d.left + ox + w, d.bottom),
                   UiRect(s.left, s.top, s.left + w, s.bottom));
    });
  } else if (ytiled) {
    ForEachTile(d.top, d.bottom, th, paint.top, paint.bottom, [&](int oy, int h) {
      AddIfVisible(pieces, paint, UiRect(d.left, d.top + oy, d.right, d.top + oy + h),
                   UiRect(s.left, s.top, s.right, s.top + h));
    });
  } else {
    AddIfVisible(pieces, paint, d, s);
  }
}

}  // namespace

std::vector<ImagePiece> LayoutNineGrid(const UiRect& paint_rect, const UiRect& dest,
                                       const UiRect& source, const UiRect& corner, bool xtiled,
                                       bool ytiled) {
  std::vector<ImagePiece> pieces;
  if (dest.IsEmpty() || source.IsEmpty() || !dest.Intersects(paint_rect)) return pieces;
  // Each border width scales on its own, so a left border of 4 and a right
  // border of 10 stay 6 and 15 at 150 %.
  const DpiScale& scale = DpiScale::Get();
  UiRect dc(scale.ScaleValue(corner.left), scale.ScaleValue(corner.top),
            scale.ScaleValue(corner.right), scale.ScaleValue(corner.bottom));
  const UiRect& sc = corner;
  const UiRect& d = dest;
  const UiRect& s = source;

  UiRect dest_centre(d.left + dc.left, d.top + dc.top, d.right - dc.right, d.bottom - dc.bottom);
  UiRect source_centre(s.left + sc.left, s.top + sc.top, s.right - sc.right, s.bottom - sc.bottom);
  LayoutCentre(&pieces, paint_rect, dest_centre, source_centre, xtiled, ytiled);

  auto add = [&](bool wanted, const UiRect& to, const UiRect& from) {
    if (wanted) AddIfVisible(&pieces, paint_rect, to, from);
  };
  // Top row.
  add(sc.left > 0 && sc.top > 0, UiRect(d.left, d.top, d.left + dc.left, d.top + dc.top),
      UiRect(s.left, s.top, s.left + sc.left, s.top + sc.top));
  add(sc.top > 0, UiRect(d.left + dc.left, d.top, d.right - dc.right, d.top + dc.top),
      UiRect(s.left + sc.left, s.top, s.right - sc.right, s.top + sc.top));
  add(sc.right > 0 && sc.top > 0, UiRect(d.right - dc.right, d.top, d.right, d.top + dc.top),
      UiRect(s.right - sc.right, s.top, s.right, s.top + sc.top));
  // Middle row.
  add(sc.left > 0, UiRect(d.left, d.top + dc.top, d.left + dc.left, d.bottom - dc.bottom),
      UiRect(s.left, s.top + sc.top, s.left + sc.left, s.bottom - sc.bottom));
  add(sc.right > 0, UiRect(d.right - dc.right, d.top + dc.top, d.right, d.bottom - dc.bottom),
      UiRect(s.right - sc.right, s.top + sc.top, s.right, s.bottom - sc.bottom));
  // Bottom row.
  add(sc.left > 0 && sc.bottom > 0, UiRect(d.left, d.bottom - dc.bottom, d.left + dc.left, d.bottom),
      UiRect(s.left, s.bottom - sc.bottom, s.left + sc.left, s.bottom));
  add(sc.bottom > 0, UiRect(d.left + dc.left, d.bottom - dc.bottom, d.right - dc.right, d.bottom),
      UiRect(s.left + sc.left, s.bottom - sc.bottom, s.right - sc.right, s.bottom));
  add(sc.right > 0 && sc.bottom > 0,
      UiRect(d.right - dc.right, d.bottom - dc.bottom, d.right, d.bottom),
      UiRect(s.right - sc.right, s.bottom - sc.bottom, s.right, s.bottom));
  return pieces;
}

}  // namespace ui
