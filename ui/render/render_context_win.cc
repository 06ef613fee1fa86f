// The GDI+ render context: a DIB section selected into a memory DC (for the
// window's blits) and a GDI+ graphics over the same premultiplied pixels, so
// drawing keeps per-pixel alpha. Coordinates arrive with the drawing origin
// (RenderContextBase) added; clips are GDI+ saved states.
#include <vector>

#include "ui/render/render_context_base.h"
#include "ui/render/render_backend_win.h"

namespace ui {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

ARGB ToArgb(ArgbColor color, uint8_t alpha) {
  uint32_t a = ((color >> 24) & 0xFF) * alpha / 255;
  return (a << 24) | (color & 0x00FFFFFF);
}

// A rounded rectangle path; `rw`, `rh` are the corner ellipse's size.
GpPath* RoundedRectPath(REAL x, REAL y, REAL w, REAL h, REAL rw, REAL rh) {
  GpPath* path = nullptr;
  if (GdipCreatePath(FillModeAlternate, &path) != Ok) return nullptr;
  rw = std::min(rw, w);
  rh = std::min(rh, h);
  if (rw <= 0 || rh <= 0) {
    GdipAddPathRectangle(path, x, y, w, h);
    return path;
  }
  GdipAddPathArc(path, x + w - rw, y, rw, rh, 270, 90);
  GdipAddPathArc(path, x + w - rw, y + h - rh, rw, rh, 0, 90);
  GdipAddPathArc(path, x, y + h - rh, rw, rh, 90, 90);
  GdipAddPathArc(path, x, y, rw, rh, 180, 90);
  GdipClosePathFigure(path);
  return path;
}

// Where the centre of pixel 0 lies for strokes. GDI+ implementations
// disagree (Windows: 0.5 under "half" pixel offsets; Wine rounds to whole
// pixels), so it is measured once: a one-pixel line through y = 1.5 is drawn
// and looked for in row 1.
REAL StrokeCentre() {
  static const REAL centre = [] {
    uint32_t pixels[16] = {};
    GpBitmap* bitmap = nullptr;
    GpGraphics* graphics = nullptr;
    REAL found = 0.5f;
    if (GdipCreateBitmapFromScan0(4, 4, 16, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(pixels),
                                  &bitmap) == Ok &&
        GdipGetImageGraphicsContext(bitmap, &graphics) == Ok) {
      GpPen* pen = nullptr;
      if (GdipCreatePen1(0xFFFFFFFF, 1.0f, UnitPixel, &pen) == Ok) {
        GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
        GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
        GdipDrawLine(graphics, pen, 0.0f, 1.5f, 4.0f, 1.5f);
        GdipFlush(graphics, FlushIntentionSync);
        if ((pixels[4 + 2] >> 24) < 0xC0) found = 0.0f;
        GdipDeletePen(pen);
      }
    }
    if (graphics) GdipDeleteGraphics(graphics);
    if (bitmap) GdipDisposeImage(bitmap);
    return found;
  }();
  return centre;
}

class GdiplusRenderContext : public RenderContextBase {
 public:
  GdiplusRenderContext() : dc_(CreateCompatibleDC(nullptr)) {}
  ~GdiplusRenderContext() override {
    DropTarget();
    if (dc_) DeleteDC(dc_);
  }

  uint8_t* Bits() override {
    Sync();
    return bitmap_.Bits();
  }
  const uint8_t* Bits() const override {
    if (graphics_) GdipFlush(graphics_, FlushIntentionSync);
    return bitmap_.Bits();
  }
  void MarkDirty() override {}
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  void SetClip(const UiRect& rect) override {
    if (!graphics_) return;
    GraphicsState state = 0;
    GdipSaveGraphics(graphics_, &state);
    clips_.push_back(state);
    UiRect r = Device(rect);
    GdipSetClipRectI(graphics_, r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()),
                     CombineModeIntersect);
    SaveDC(dc_);
    IntersectClipRect(dc_, r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom));
  }
  void SetRoundedClip(const UiRect& rect, int round_width, int round_height) override {
    if (!graphics_) return;
    GraphicsState state = 0;
    GdipSaveGraphics(graphics_, &state);
    clips_.push_back(state);
    UiRect r = Device(rect);
    // Right and bottom belong to the rounded region.
    if (GpPath* path = RoundedRectPath(r.left, r.top, std::max(0, r.Width() + 1),
                                       std::max(0, r.Height() + 1), round_width, round_height)) {
      GdipSetClipPath(graphics_, path, CombineModeIntersect);
      GdipDeletePath(path);
    }
    SaveDC(dc_);
    if (HRGN region = CreateRoundRectRgn(r.left, r.top, r.right + 2, r.bottom + 2, round_width,
                                         round_height)) {
      ExtSelectClipRgn(dc_, region, RGN_AND);
      DeleteObject(region);
    }
  }
  void ClearClip() override {
    if (!graphics_ || clips_.empty()) return;
    GdipRestoreGraphics(graphics_, clips_.back());
    clips_.pop_back();
    RestoreDC(dc_, -1);
  }

  void BitBlt(const UiPoint& dest, const IRenderContext& src, const UiRect& src_rect) override {
    auto& source = static_cast<const GdiplusRenderContext&>(src);
    if (!Sync() || !source.graphics_ || src_rect.IsEmpty()) return;
    GdipFlush(source.graphics_, FlushIntentionSync);
    UiPoint to = Device(dest);
    ::BitBlt(dc_, to.x, to.y, src_rect.Width(), src_rect.Height(), source.dc_, src_rect.left,
             src_rect.top, SRCCOPY);
    GdiFlush();
  }
  void AlphaBlend(const UiRect& dest, const IRenderContext& src, const UiRect& src_rect,
                  uint8_t alpha) override {
    auto& source = static_cast<const GdiplusRenderContext&>(src);
    if (!Sync() || !source.graphics_) return;
    GdipFlush(source.graphics_, FlushIntentionSync);
    BlendPiece(source.dc_, src_rect, Device(dest), alpha);
    GdiFlush();
  }

 protected:
  bool HasTarget() const override { return graphics_ != nullptr; }
  bool CreateTarget(int width, int height) override {
    if (!bitmap_.Init(width, height)) return false;
    old_bitmap_ = SelectObject(dc_, bitmap_.handle());
    if (GdipGetImageGraphicsContext(bitmap_.image(), &graphics_) != Ok) {
      DropTarget();
      return false;
    }
    GdipSetPixelOffsetMode(graphics_, PixelOffsetModeHalf);
    GdipSetSmoothingMode(graphics_, SmoothingModeAntiAlias);
    GdipSetCompositingQuality(graphics_, CompositingQualityHighSpeed);
    GdipSetTextRenderingHint(graphics_, TextRenderingHintAntiAliasGridFit);
    return true;
  }
  void DropTarget() override {
    if (graphics_) GdipDeleteGraphics(graphics_);
    graphics_ = nullptr;
    clips_.clear();
    if (old_bitmap_) SelectObject(dc_, old_bitmap_);
    old_bitmap_ = nullptr;
    bitmap_.Reset();
  }
  std::unique_ptr<RenderContextBase> NewContext() const override {
    return std::make_unique<GdiplusRenderContext>();
  }

  void DrawPieces(const IBitmap& bitmap, const std::vector<ImagePiece>& pieces, uint8_t fade) override {
    auto& image = static_cast<const GdiBitmap&>(bitmap);
    if (!Sync() || !image.handle()) return;
    // GDI's AlphaBlend places pixels exactly on every GDI+ implementation.
    HDC image_dc = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(image_dc, image.handle());
    for (const ImagePiece& piece : pieces) BlendPiece(image_dc, piece.source, piece.dest, fade);
    SelectObject(image_dc, old);
    DeleteDC(image_dc);
    GdiFlush();
  }
  void FillDeviceRect(const UiRect& r, ArgbColor color, uint8_t alpha) override {
    Fill(ToArgb(color, alpha), [&](GpBrush* brush) {
      GdipFillRectangleI(graphics_, brush, r.left, r.top, r.Width(), r.Height());
    });
  }
  // Lines and outlines: integer coordinates are pixel centres, so a 1-pixel
  // line covers exactly one row or column.
  void StrokeDeviceLine(const UiPoint& from, const UiPoint& to, int width, ArgbColor color) override {
    Stroke(color, width, [&](GpPen* pen) {
      REAL c = StrokeCentre();
      GdipDrawLine(graphics_, pen, from.x + c, from.y + c, to.x + c, to.y + c);
    });
  }
  void StrokeDeviceRoundRect(const UiRect& r, const UiSize& round, int width, ArgbColor color) override {
    Stroke(color, width, [&](GpPen* pen) {
      if (GpPath* path = RoundedRectPath(r.left + StrokeCentre(), r.top + StrokeCentre(),
                                         r.Width(), r.Height(), round.cx, round.cy)) {
        GdipDrawPath(graphics_, pen, path);
        GdipDeletePath(path);
      }
    });
  }
  void FillDeviceRoundRect(const UiRect& r, const UiSize& round, ArgbColor color) override {
    Fill(ToArgb(color, 255), [&](GpBrush* brush) {
      if (GpPath* path = RoundedRectPath(r.left, r.top, r.Width(), r.Height(), round.cx, round.cy)) {
        GdipFillPath(graphics_, brush, path);
        GdipDeletePath(path);
      }
    });
  }
  void StrokeDeviceEllipse(const UiRect& r, int width, ArgbColor color) override {
    Stroke(color, width, [&](GpPen* pen) {
      GdipDrawEllipse(graphics_, pen, r.left + StrokeCentre(), r.top + StrokeCentre(), r.Width(),
                      r.Height());
    });
  }
  void FillDeviceEllipse(const UiRect& r, ArgbColor color) override {
    Fill(ToArgb(color, 255), [&](GpBrush* brush) {
      GdipFillEllipseI(graphics_, brush, r.left, r.top, r.Width(), r.Height());
    });
  }
  void DrawDeviceText(const UiRect& rect, StringView text, ArgbColor color, const FontRecord& font,
                      uint32_t style, uint8_t alpha, bool line_limit) override {
    DrawTextGdiplus(graphics_, rect, text, color, font, style, alpha, line_limit);
  }
  bool TextExtents(StringView text, const FontRecord& font, uint32_t style, int width, UiSize* size) override {
    return TextExtentsGdiplus(text, font, style, width, size);
  }

 private:
  // Finishes pending GDI+ drawing before the pixels are touched directly.
  bool Sync() {
    if (!graphics_) return false;
    GdipFlush(graphics_, FlushIntentionSync);
    return true;
  }

  template <class F>
  void Stroke(ArgbColor color, int width, F draw) {
    GpPen* pen = nullptr;
    if (GdipCreatePen1(ToArgb(color, 255), static_cast<REAL>(width), UnitPixel, &pen) != Ok) return;
    draw(pen);
    GdipDeletePen(pen);
  }
  template <class F>
  void Fill(ARGB argb, F draw) {
    GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Ok) return;
    draw(brush);
    GdipDeleteBrush(brush);
  }

  // `source` of the bitmap in `source_dc` stretched into `dest` (device
  // pixels), blended at `alpha` with its per-pixel (premultiplied) alpha.
  // GdiAlphaBlend is gdi32's own export of AlphaBlend (msimg32 forwards to
  // it), so no further DLL is loaded.
  void BlendPiece(HDC source_dc, const UiRect& source, const UiRect& dest, uint8_t alpha) {
    if (source.IsEmpty() || dest.IsEmpty() || alpha == 0) return;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    GdiAlphaBlend(dc_, dest.left, dest.top, dest.Width(), dest.Height(), source_dc, source.left,
                 source.top, source.Width(), source.Height(), blend);
  }

  HDC dc_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  GdiBitmap bitmap_;
  GpGraphics* graphics_ = nullptr;
  std::vector<GraphicsState> clips_;
};

class GdiplusRenderFactory : public IRenderFactory {
 public:
  std::unique_ptr<IRenderContext> CreateRenderContext() override {
    return std::make_unique<GdiplusRenderContext>();
  }
  std::unique_ptr<IBitmap> CreateBitmap() override { return std::make_unique<GdiBitmap>(); }
};

}  // namespace

std::unique_ptr<IRenderFactory> CreateRenderFactory() {
  EnsureGdiplus();
  return std::make_unique<GdiplusRenderFactory>();
}

}  // namespace ui
