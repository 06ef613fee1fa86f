// The cairo render context: an ARGB32 back buffer and a cairo_t on it. The
// drawing origin (RenderContextBase) is added to every coordinate before
// cairo sees it, so cairo's save/restore (used for clips) never undoes an
// origin change.
#include <algorithm>
#include <vector>

#include "ui/render/render_context_base.h"
#include "ui/render/render_backend_linux.h"

namespace ui {
namespace {

void SetColor(cairo_t* cr, ArgbColor color, uint8_t alpha) {
  double a = ((color >> 24) & 0xFF) / 255.0 * (alpha / 255.0);
  cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                        (color & 0xFF) / 255.0, a);
}

// A rounded rectangle path; `rw`, `rh` are the corner ellipse's size.
void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double rw, double rh) {
  double rx = std::min(rw / 2, w / 2);
  double ry = std::min(rh / 2, h / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  auto corner = [&](double cx, double cy, double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
  };
  const double pi = 3.14159265358979323846;
  corner(x + w - rx, y + ry, -pi / 2, 0);
  corner(x + w - rx, y + h - ry, 0, pi / 2);
  corner(x + rx, y + h - ry, pi / 2, pi);
  corner(x + rx, y + ry, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

class CairoRenderContext : public RenderContextBase {
 public:
  ~CairoRenderContext() override { DropTarget(); }

  uint8_t* Bits() override { return bitmap_.Bits(); }
  const uint8_t* Bits() const override { return bitmap_.Bits(); }
  void MarkDirty() override { bitmap_.MarkDirty(); }
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }

  void SetClip(const UiRect& rect) override {
    if (!cr_) return;
    cairo_save(cr_);
    UiRect r = Device(rect);
    cairo_rectangle(cr_, r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
    cairo_clip(cr_);
    ++clip_depth_;
  }
  void SetRoundedClip(const UiRect& rect, int round_width, int round_height) override {
    if (!cr_) return;
    cairo_save(cr_);
    UiRect r = Device(rect);
    // Right and bottom belong to the rounded region.
    RoundedRectPath(cr_, r.left, r.top, std::max(0, r.Width() + 1), std::max(0, r.Height() + 1),
                    round_width, round_height);
    cairo_clip(cr_);
    ++clip_depth_;
  }
  void ClearClip() override {
    if (!cr_ || clip_depth_ == 0) return;
    cairo_restore(cr_);
    --clip_depth_;
  }

  void BitBlt(const UiPoint& dest, const IRenderContext& src, const UiRect& src_rect) override {
    auto& source = static_cast<const CairoRenderContext&>(src);
    if (!cr_ || !source.bitmap_.surface() || src_rect.IsEmpty()) return;
    cairo_save(cr_);
    UiRect to = Device(UiRect(dest.x, dest.y, dest.x + src_rect.Width(), dest.y + src_rect.Height()));
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr_, source.bitmap_.surface(), to.left - src_rect.left,
                             to.top - src_rect.top);
    cairo_rectangle(cr_, to.left, to.top, to.Width(), to.Height());
    cairo_fill(cr_);
    cairo_restore(cr_);
  }
  void AlphaBlend(const UiRect& dest, const IRenderContext& src, const UiRect& src_rect,
                  uint8_t alpha) override {
    auto& source = static_cast<const CairoRenderContext&>(src);
    if (!source.bitmap_.surface()) return;
    DrawPiece(source.bitmap_.surface(), src_rect, Device(dest), alpha);
  }

 protected:
  bool HasTarget() const override { return cr_ != nullptr; }
  bool CreateTarget(int width, int height) override {
    if (!bitmap_.Init(width, height)) return false;
    cr_ = cairo_create(bitmap_.surface());
    return true;
  }
  void DropTarget() override {
    if (cr_) cairo_destroy(cr_);
    cr_ = nullptr;
    clip_depth_ = 0;
    bitmap_.Reset();
  }
  std::unique_ptr<RenderContextBase> NewContext() const override { return std::make_unique<CairoRenderContext>(); }

  void DrawPieces(const IBitmap& bitmap, const std::vector<ImagePiece>& pieces, uint8_t fade) override {
    auto& image = static_cast<const CairoBitmap&>(bitmap);
    if (!image.surface()) return;
    for (const ImagePiece& piece : pieces) DrawPiece(image.surface(), piece.source, piece.dest, fade);
  }
  void FillDeviceRect(const UiRect& r, ArgbColor color, uint8_t alpha) override {
    SetColor(cr_, color, alpha);
    cairo_rectangle(cr_, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr_);
  }
  // Lines and outlines: integer coordinates are pixel centres, so a 1-pixel
  // line covers exactly one row or column.
  void StrokeDeviceLine(const UiPoint& from, const UiPoint& to, int width, ArgbColor color) override {
    SetColor(cr_, color, 255);
    cairo_set_line_width(cr_, width);
    cairo_move_to(cr_, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr_, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr_);
  }
  void StrokeDeviceRoundRect(const UiRect& r, const UiSize& round, int width, ArgbColor color) override {
    SetColor(cr_, color, 255);
    cairo_set_line_width(cr_, width);
    RoundedRectPath(cr_, r.left + 0.5, r.top + 0.5, r.Width(), r.Height(), round.cx, round.cy);
    cairo_stroke(cr_);
  }
  void FillDeviceRoundRect(const UiRect& r, const UiSize& round, ArgbColor color) override {
    SetColor(cr_, color, 255);
    RoundedRectPath(cr_, r.left, r.top, r.Width(), r.Height(), round.cx, round.cy);
    cairo_fill(cr_);
  }
  void StrokeDeviceEllipse(const UiRect& r, int width, ArgbColor color) override {
    SetColor(cr_, color, 255);
    cairo_set_line_width(cr_, width);
    RoundedRectPath(cr_, r.left + 0.5, r.top + 0.5, r.Width(), r.Height(), r.Width(), r.Height());
    cairo_stroke(cr_);
  }
  void FillDeviceEllipse(const UiRect& r, ArgbColor color) override {
    SetColor(cr_, color, 255);
    RoundedRectPath(cr_, r.left, r.top, r.Width(), r.Height(), r.Width(), r.Height());
    cairo_fill(cr_);
  }
  void DrawDeviceText(const UiRect& rect, StringView text, ArgbColor color, const FontRecord& font,
                      uint32_t style, uint8_t alpha, bool line_limit) override {
    DrawTextCairo(cr_, rect, text, color, font, style, alpha, line_limit);
  }
  bool TextExtents(StringView text, const FontRecord& font, uint32_t style, int width, UiSize* size) override {
    *size = TextExtentsCairo(text, font, style, width);
    return true;
  }

 private:
  // `source` of `surface` stretched into `dest` (device pixels), blended at
  // `alpha`. Edge pixels are extended rather than mixed with what lies
  // outside the source rectangle, so nine-grid seams stay clean.
  void DrawPiece(cairo_surface_t* surface, const UiRect& source, const UiRect& dest, uint8_t alpha) {
    if (!cr_ || source.IsEmpty() || dest.IsEmpty() || alpha == 0) return;
    cairo_surface_t* part = cairo_surface_create_for_rectangle(surface, source.left, source.top,
                                                               source.Width(), source.Height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    bool stretched = source.Width() != dest.Width() || source.Height() != dest.Height();
    cairo_pattern_set_filter(pattern, stretched ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, static_cast<double>(source.Width()) / dest.Width(),
                            static_cast<double>(source.Height()) / dest.Height());
    cairo_matrix_translate(&matrix, -dest.left, -dest.top);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_save(cr_);
    cairo_rectangle(cr_, dest.left, dest.top, dest.Width(), dest.Height());
    cairo_clip(cr_);
    cairo_set_source(cr_, pattern);
    if (alpha == 255) cairo_paint(cr_);
    else cairo_paint_with_alpha(cr_, alpha / 255.0);
    cairo_restore(cr_);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
  }

  CairoBitmap bitmap_;
  cairo_t* cr_ = nullptr;
  int clip_depth_ = 0;
};

class CairoRenderFactory : public IRenderFactory {
 public:
  std::unique_ptr<IRenderContext> CreateRenderContext() override {
    return std::make_unique<CairoRenderContext>();
  }
  std::unique_ptr<IBitmap> CreateBitmap() override { return std::make_unique<CairoBitmap>(); }
};

}  // namespace

std::unique_ptr<IRenderFactory> CreateRenderFactory() { return std::make_unique<CairoRenderFactory>(); }

}  // namespace ui
