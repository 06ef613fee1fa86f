#include "ui/render/render_context_base.h"

#include <cstring>

#include "ui/core/resource_manager.h"
#include "ui/render/pixel_ops.h"

namespace ui {

bool RenderContextBase::Resize(int width, int height) {
  if (HasTarget() && width == Width() && height == Height()) return false;
  DropTarget();
  if (!IsValidRenderTargetSize(width, height)) return false;
  return CreateTarget(width, height);
}

void RenderContextBase::Clear() {
  uint8_t* bits = Bits();
  if (!bits) return;
  std::memset(bits, 0, static_cast<size_t>(Width()) * Height() * 4);
  MarkDirty();
}

std::unique_ptr<IRenderContext> RenderContextBase::Duplicate() const {
  std::unique_ptr<RenderContextBase> copy = NewContext();
  const uint8_t* bits = Bits();
  if (bits && copy->Resize(Width(), Height())) {
    std::memcpy(copy->Bits(), bits, static_cast<size_t>(Width()) * Height() * 4);
    copy->MarkDirty();
  }
  copy->transparent_ = transparent_;
  return copy;
}

void RenderContextBase::ClearAlpha(const UiRect& rect, uint8_t value) {
  uint8_t* bits = Bits();
  if (!bits) return;
  ClearAlphaPixels(bits, Width(), Height(), rect, value);
  MarkDirty();
}

void RenderContextBase::RestoreAlpha(const UiRect& rect, const UiRect& corner_inset, uint8_t key) {
  uint8_t* bits = Bits();
  if (!bits) return;
  RestoreAlphaPixels(bits, Width(), Height(), rect, corner_inset, key);
  MarkDirty();
}

void RenderContextBase::DrawNineGrid(const UiRect& paint_rect, const IBitmap& bitmap, bool /*has_alpha*/,
                                     const UiRect& dest, const UiRect& source, const UiRect& corner,
                                     uint8_t fade, bool xtiled, bool ytiled) {
  // Every piece is blended with the bitmap's per-pixel alpha, which over an
  // opaque piece is the same as a copy: `has_alpha` needs no second path.
  if (!HasTarget() || fade == 0) return;
  std::vector<ImagePiece> pieces = LayoutNineGrid(paint_rect, dest, source, corner, xtiled, ytiled);
  if (pieces.empty()) return;
  for (ImagePiece& piece : pieces) piece.dest = Device(piece.dest);
  DrawPieces(bitmap, pieces, fade);
}

void RenderContextBase::FillColor(const UiRect& rect, ArgbColor color, uint8_t alpha) {
  if (!HasTarget() || color == 0 || rect.IsEmpty()) return;
  FillDeviceRect(Device(rect), color, alpha);
}

void RenderContextBase::DrawLine(const UiPoint& from, const UiPoint& to, int width, ArgbColor color) {
  if (!HasTarget() || color == 0 || width <= 0) return;
  StrokeDeviceLine(Device(from), Device(to), width, color);
}

void RenderContextBase::DrawRect(const UiRect& rect, int width, ArgbColor color) {
  DrawRoundRect(rect, UiSize{0, 0}, width, color);
}

void RenderContextBase::DrawRoundRect(const UiRect& rect, const UiSize& round, int width, ArgbColor color) {
  if (!HasTarget() || color == 0 || width <= 0) return;
  StrokeDeviceRoundRect(Device(rect), round, width, color);
}

void RenderContextBase::FillRoundRect(const UiRect& rect, const UiSize& round, ArgbColor color) {
  if (!HasTarget() || color == 0 || rect.IsEmpty()) return;
  FillDeviceRoundRect(Device(rect), round, color);
}

void RenderContextBase::DrawEllipse(const UiRect& rect, int width, ArgbColor color) {
  if (!HasTarget() || color == 0 || width <= 0 || rect.IsEmpty()) return;
  StrokeDeviceEllipse(Device(rect), width, color);
}

void RenderContextBase::FillEllipse(const UiRect& rect, ArgbColor color) {
  if (!HasTarget() || color == 0 || rect.IsEmpty()) return;
  FillDeviceEllipse(Device(rect), color);
}

void RenderContextBase::DrawString(const UiRect& rect, StringView text, ArgbColor color, int font_id,
                                   uint32_t style, uint8_t alpha, bool line_limit) {
  if (!HasTarget() || text.empty() || color == 0 || rect.IsEmpty()) return;
  const FontRecord& font = ResourceManager::Get().GetFontOrDefault(font_id);
  DrawDeviceText(Device(rect), text, color, font, style, alpha, line_limit);
}

UiRect RenderContextBase::MeasureString(StringView text, int font_id, uint32_t style, int width) {
  if (text.empty()) return UiRect();
  const FontRecord& font = ResourceManager::Get().GetFontOrDefault(font_id);
  const bool single_line = style & kTextSingleLine;
  // The ellipsis only shortens what is drawn; a single line keeps its
  // natural width (no wrapping, no cut).
  const uint32_t measured_style = style & ~static_cast<uint32_t>(kTextEndEllipsis);
  UiSize size;
  if (!TextExtents(text, font, measured_style, single_line || width < 0 ? 0 : width, &size)) return UiRect();
  if (single_line && width >= 0) {
    // One line's height, whatever the text holds (a Latin-only text would
    // otherwise sit lower than a Chinese one in the same box).
    UiSize line;
    if (TextExtents(u"\u6D4B\u8BD5", font, kTextSingleLine, 0, &line)) size.cy = line.cy;
  }
  return UiRect(0, 0, size.cx + 1, size.cy + 1);
}

}  // namespace ui
