#include "ui/render/pixel_ops.h"

#include <cstring>

namespace ui {

void ClearAlphaPixels(uint8_t* bits, int width, int height, const UiRect& rect, uint8_t value) {
  if (!bits) return;
  UiRect r = rect.Intersection(UiRect(0, 0, width, height));
  for (int y = r.top; y < r.bottom; ++y) {
    std::memset(bits + (static_cast<size_t>(y) * width + r.left) * 4, value,
                static_cast<size_t>(r.Width()) * 4);
  }
}

void RestoreAlphaPixels(uint8_t* bits, int width, int height, const UiRect& rect,
                        const UiRect& corner_inset, uint8_t key) {
  if (!bits) return;
  UiRect r = rect.Intersection(UiRect(0, 0, width, height));
  for (int y = r.top; y < r.bottom; ++y) {
    bool middle_row = y >= corner_inset.top && y < height - corner_inset.bottom;
    uint8_t* p = bits + (static_cast<size_t>(y) * width + r.left) * 4;
    for (int x = r.left; x < r.right; ++x, p += 4) {
      bool middle_column = x >= corner_inset.left && x < width - corner_inset.right;
      if (!middle_row && !middle_column) continue;
      p[3] = (key != 0 && p[3] == key) ? 0 : 255;
    }
  }
}

void ScaleOpacityPixels(const uint8_t* source, int source_stride, int width, int height, uint8_t alpha,
                        uint8_t* out) {
  if (!source || !out || width <= 0 || height <= 0) return;
  const size_t row = static_cast<size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = source + static_cast<size_t>(y) * source_stride;
    uint8_t* to = out + static_cast<size_t>(y) * row;
    for (size_t i = 0; i < row; ++i) to[i] = static_cast<uint8_t>((in[i] * alpha + 127) / 255);
  }
}

}  // namespace ui
