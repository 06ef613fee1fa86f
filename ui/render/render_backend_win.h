// The GDI/GDI+ backend's classes, shared by its files (Windows only). GDI+ is
// used through its flat API; the DLL is delay-loaded from the system folder
// by programs that link it with lumacast_link_system_dlls.
#pragma once

#include <windows.h>
// GDI+ needs the COM declarations WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
// GDI+ headers need min/max from windows.h, which NOMINMAX removes.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

// Starts GDI+ once for the process (kept to process end). False when GDI+
// cannot start; nothing is drawn then.
bool EnsureGdiplus();

// A 32-bit top-down DIB section (premultiplied BGRA) with a GDI+ bitmap over
// the same pixels, so GDI (blits to windows) and GDI+ (drawing) share them.
class GdiBitmap : public IBitmap {
 public:
  GdiBitmap() = default;
  ~GdiBitmap() override;
  bool Init(int width, int height) override;
  uint8_t* Bits() override { return bits_; }
  const uint8_t* Bits() const override { return bits_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void MarkDirty() override {}
  HBITMAP handle() const { return handle_; }
  Gdiplus::GpBitmap* image() const { return image_; }
  void Reset();

 private:
  HBITMAP handle_ = nullptr;
  Gdiplus::GpBitmap* image_ = nullptr;
  uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Text through GDI+ (render_text_win.cc). Coordinates are device pixels.
void DrawTextGdiplus(Gdiplus::GpGraphics* graphics, const UiRect& rect, StringView text,
                     ArgbColor color, const FontRecord& font, uint32_t style, uint8_t alpha,
                     bool line_limit);
// The measured box of `text` laid out `width` pixels wide (0: unbounded);
// false when GDI+ could not measure.
bool TextExtentsGdiplus(StringView text, const FontRecord& font, uint32_t style, int width, UiSize* size);

}  // namespace ui
