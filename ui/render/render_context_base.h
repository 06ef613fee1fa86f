// RenderContextBase: what every backend does the same way, so that a backend
// only implements what touches its system.
//
// Kept here: the drawing origin (added to every coordinate before a backend
// sees it) and the per-pixel-alpha flag; re-creating the back buffer only
// when its size changes; Clear, Duplicate and the direct alpha work on the
// pixels; the checks that make a draw call do nothing (no buffer, colour 0,
// an empty rectangle or text, no line width); the cutting of a nine-grid
// into pieces; and MeasureString's conventions over the backend's raw text
// extents. Backends get device coordinates and only calls that will draw.
#pragma once

#include <memory>
#include <vector>

#include "ui/render/nine_grid.h"
#include "ui/render/render_context.h"

namespace ui {

struct FontRecord;

class RenderContextBase : public IRenderContext {
 public:
  // --- The back buffer ---
  bool Resize(int width, int height) final;
  void Clear() final;
  std::unique_ptr<IRenderContext> Duplicate() const final;
  void ClearAlpha(const UiRect& rect, uint8_t value) final;
  void RestoreAlpha(const UiRect& rect, const UiRect& corner_inset, uint8_t key) final;

  bool IsTransparent() const final { return transparent_; }
  bool SetTransparent(bool transparent) final {
    bool old = transparent_;
    transparent_ = transparent;
    return old;
  }

  // --- Origin ---
  UiPoint OffsetOrigin(int dx, int dy) final {
    UiPoint old = origin_;
    origin_.x += dx;
    origin_.y += dy;
    return old;
  }
  UiPoint SetOrigin(int x, int y) final {
    UiPoint old = origin_;
    origin_ = {x, y};
    return old;
  }
  UiPoint GetOrigin() const final { return origin_; }

  // --- Drawing: the checks, then the backend's hook in device pixels ---
  void DrawNineGrid(const UiRect& paint_rect, const IBitmap& bitmap, bool has_alpha, const UiRect& dest,
                    const UiRect& source, const UiRect& corner, uint8_t fade, bool xtiled, bool ytiled) final;
  void FillColor(const UiRect& rect, ArgbColor color, uint8_t alpha) final;
  void DrawLine(const UiPoint& from, const UiPoint& to, int width, ArgbColor color) final;
  void DrawRect(const UiRect& rect, int width, ArgbColor color) final;
  void DrawRoundRect(const UiRect& rect, const UiSize& round, int width, ArgbColor color) final;
  void FillRoundRect(const UiRect& rect, const UiSize& round, ArgbColor color) final;
  void DrawEllipse(const UiRect& rect, int width, ArgbColor color) final;
  void FillEllipse(const UiRect& rect, ArgbColor color) final;
  void DrawString(const UiRect& rect, StringView text, ArgbColor color, int font_id, uint32_t style,
                  uint8_t alpha, bool line_limit) final;
  // The measured box plus one pixel each way; a single line measured with a
  // width is one line high, the height of the probe text "测试", whatever
  // the text holds.
  UiRect MeasureString(StringView text, int font_id, uint32_t style, int width) final;

 protected:
  // `rect` in drawing coordinates moved to buffer pixels.
  UiRect Device(UiRect rect) const {
    rect.Offset(origin_.x, origin_.y);
    return rect;
  }
  UiPoint Device(UiPoint point) const { return UiPoint{point.x + origin_.x, point.y + origin_.y}; }

  // The backend's buffer: whether there is one, making one of a valid size
  // (false leaves none), dropping it, and an empty context of the backend.
  virtual bool HasTarget() const = 0;
  virtual bool CreateTarget(int width, int height) = 0;
  virtual void DropTarget() = 0;
  virtual std::unique_ptr<RenderContextBase> NewContext() const = 0;

  // Hooks, called only with a buffer and with something to draw; rectangles
  // and points are device pixels.
  virtual void DrawPieces(const IBitmap& bitmap, const std::vector<ImagePiece>& pieces, uint8_t fade) = 0;
  virtual void FillDeviceRect(const UiRect& rect, ArgbColor color, uint8_t alpha) = 0;
  virtual void StrokeDeviceLine(const UiPoint& from, const UiPoint& to, int width, ArgbColor color) = 0;
  virtual void StrokeDeviceRoundRect(const UiRect& rect, const UiSize& round, int width, ArgbColor color) = 0;
  virtual void FillDeviceRoundRect(const UiRect& rect, const UiSize& round, ArgbColor color) = 0;
  virtual void StrokeDeviceEllipse(const UiRect& rect, int width, ArgbColor color) = 0;
  virtual void FillDeviceEllipse(const UiRect& rect, ArgbColor color) = 0;
  virtual void DrawDeviceText(const UiRect& rect, StringView text, ArgbColor color, const FontRecord& font,
                              uint32_t style, uint8_t alpha, bool line_limit) = 0;
  // The raw extents of `text` laid out `width` pixels wide (0: unbounded;
  // single lines are never wrapped); false when nothing could be measured.
  virtual bool TextExtents(StringView text, const FontRecord& font, uint32_t style, int width, UiSize* size) = 0;

  UiPoint origin_;
  bool transparent_ = false;
};

}  // namespace ui
