// Direct pixel work on premultiplied BGRA buffers (top-down, rows of width x 4
// bytes), the same on both backends.
#pragma once

#include <cstdint>

#include "ui/core/ui_geometry.h"

namespace ui {

// Every byte of every pixel of `rect` (clipped to the buffer) set to `value`.
void ClearAlphaPixels(uint8_t* bits, int width, int height, const UiRect& rect, uint8_t value);

// For the pixels of `rect` outside the four corner squares of the buffer
// given by `corner_inset`: alpha becomes 0 when `key` is not 0 and equals the
// pixel's alpha, else 255.
void RestoreAlphaPixels(uint8_t* bits, int width, int height, const UiRect& rect,
                        const UiRect& corner_inset, uint8_t key);

// A window's overall opacity: copies `width` x `height` premultiplied pixels
// from `source` (rows `source_stride` bytes apart) to `out` (rows of width x 4
// bytes), every byte scaled by `alpha` / 255, rounded.
void ScaleOpacityPixels(const uint8_t* source, int source_stride, int width, int height, uint8_t alpha,
                        uint8_t* out);

}  // namespace ui
