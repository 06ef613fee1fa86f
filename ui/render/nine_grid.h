// The arithmetic of nine-grid image drawing, shared by both backends: which
// part of the bitmap goes where. A backend draws the pieces with its own
// stretch/blend call.
#pragma once

#include <vector>

#include "ui/core/ui_geometry.h"

namespace ui {

struct ImagePiece {
  UiRect dest;    // in drawing coordinates
  UiRect source;  // in bitmap pixels
};

// Splits `source` (bitmap pixels) drawn into `dest` with border widths
// `corner` into the pieces that meet `paint_rect`: the centre (stretched, or
// tiled at the source centre's natural size with `xtiled`/`ytiled`, the last
// tile cut to fit) and the eight border pieces. Destination borders are the
// corner values scaled by the screen scale; source borders are unscaled.
// Nothing when `dest` does not meet `paint_rect`. The number of pieces is
// bounded by the paint area.
std::vector<ImagePiece> LayoutNineGrid(const UiRect& paint_rect, const UiRect& dest,
                                       const UiRect& source, const UiRect& corner, bool xtiled,
                                       bool ytiled);

}  // namespace ui
