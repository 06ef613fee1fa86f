#include "ui/render/render_backend_win.h"

namespace ui {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

bool EnsureGdiplus() {
  static const bool started = [] {
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    return GdiplusStartup(&token, &input, nullptr) == Ok;
  }();
  return started;
}

GdiBitmap::~GdiBitmap() { Reset(); }

void GdiBitmap::Reset() {
  if (image_) GdipDisposeImage(image_);
  if (handle_) DeleteObject(handle_);
  image_ = nullptr;
  handle_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool GdiBitmap::Init(int width, int height) {
  Reset();
  if (!IsValidRenderTargetSize(width, height) || !EnsureGdiplus()) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!handle || !bits) {
    if (handle) DeleteObject(handle);
    return false;
  }
  GpBitmap* image = nullptr;
  if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                static_cast<BYTE*>(bits), &image) != Ok) {
    DeleteObject(handle);
    return false;
  }
  handle_ = handle;
  image_ = image;
  bits_ = static_cast<uint8_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

}  // namespace ui
