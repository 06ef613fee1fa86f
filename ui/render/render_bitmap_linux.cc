#include "ui/render/render_backend_linux.h"

namespace ui {

CairoBitmap::~CairoBitmap() { Reset(); }

void CairoBitmap::Reset() {
  if (surface_) cairo_surface_destroy(surface_);
  surface_ = nullptr;
  width_ = height_ = 0;
}

bool CairoBitmap::Init(int width, int height) {
  Reset();
  if (!IsValidRenderTargetSize(width, height)) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_image_surface_get_stride(surface) != width * 4) {
    cairo_surface_destroy(surface);
    return false;
  }
  surface_ = surface;
  width_ = width;
  height_ = height;
  return true;
}

uint8_t* CairoBitmap::Bits() {
  if (!surface_) return nullptr;
  cairo_surface_flush(surface_);
  return cairo_image_surface_get_data(surface_);
}

const uint8_t* CairoBitmap::Bits() const {
  if (!surface_) return nullptr;
  cairo_surface_flush(surface_);
  return cairo_image_surface_get_data(surface_);
}

void CairoBitmap::MarkDirty() {
  if (surface_) cairo_surface_mark_dirty(surface_);
}

}  // namespace ui
