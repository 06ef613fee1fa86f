// The cairo/pango backend's classes, shared by its files (Linux only).
#pragma once

#include <cairo.h>

#include <memory>

#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

// An ARGB32 cairo image surface (premultiplied, native-endian = BGRA bytes).
class CairoBitmap : public IBitmap {
 public:
  CairoBitmap() = default;
  ~CairoBitmap() override;
  bool Init(int width, int height) override;
  uint8_t* Bits() override;
  const uint8_t* Bits() const override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void MarkDirty() override;
  cairo_surface_t* surface() const { return surface_; }
  void Reset();

 private:
  cairo_surface_t* surface_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Text through pango (render_text_linux.cc). Coordinates are device pixels.
void DrawTextCairo(cairo_t* cr, const UiRect& rect, StringView text, ArgbColor color,
                   const FontRecord& font, uint32_t style, uint8_t alpha, bool line_limit);
// The logical extents of `text` laid out `width` pixels wide (0: unbounded).
UiSize TextExtentsCairo(StringView text, const FontRecord& font, uint32_t style, int width);

// The font family list asked of fontconfig for a face name of a layout.
std::string LinuxFontFamilies(StringView face);

}  // namespace ui
