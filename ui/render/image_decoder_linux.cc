// PNG decoding from memory through cairo.
#include <cstring>

#include "ui/render/image.h"
#include "ui/render/render_backend_linux.h"

namespace ui {
namespace {

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t position;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
  auto* source = static_cast<PngSource*>(closure);
  if (length > source->size - source->position) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, source->data + source->position, length);
  source->position += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::shared_ptr<DecodedImage> DecodeImage(const void* data, size_t size) {
  int width = 0;
  int height = 0;
  // The declared size is checked before cairo allocates anything.
  if (!ReadPngSize(data, size, &width, &height) || !IsValidRenderTargetSize(width, height)) {
    return nullptr;
  }
  PngSource source{static_cast<const uint8_t*>(data), size, 0};
  cairo_surface_t* png = cairo_image_surface_create_from_png_stream(ReadPng, &source);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS ||
      cairo_image_surface_get_width(png) != width || cairo_image_surface_get_height(png) != height) {
    cairo_surface_destroy(png);
    return nullptr;
  }
  auto frame = std::make_unique<CairoBitmap>();
  if (!frame->Init(width, height)) {
    cairo_surface_destroy(png);
    return nullptr;
  }
  // Onto a zeroed ARGB32 bitmap: an RGB24 source comes out opaque.
  cairo_t* cr = cairo_create(frame->surface());
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, png, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(png);

  auto image = std::make_shared<DecodedImage>();
  image->width = width;
  image->height = height;
  image->alpha = HasTranslucentPixel(frame->Bits(), width, height);
  image->frames.push_back(std::move(frame));
  return image;
}

}  // namespace ui
