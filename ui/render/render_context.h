// The drawing boundary of the toolkit. Every control paints through an
// IRenderContext: a 32-bit back buffer with per-pixel alpha (premultiplied
// BGRA bytes, top-down, 4 bytes per pixel, rows of exactly width x 4 bytes) and
// the few operations the controls need. One implementation per system: GDI and
// GDI+ on Windows, cairo and pango on Linux; the factory of the running system
// comes from CreateRenderFactory().
//
// Failures are quiet: a call that cannot draw leaves the buffer as it was, and
// a context without a buffer (never resized, or resized to an invalid size)
// draws nothing. Coordinates are in back-buffer pixels, moved by the drawing
// origin (OffsetOrigin/SetOrigin) and cut by the current clip.
//
//   auto context = CreateRenderFactory()->CreateRenderContext();
//   context->Resize(600, 400);
//   context->FillColor(UiRect(0, 0, 600, 400), 0xFFF4F8F9);
//   { AutoClip clip(context.get(), button_rect); ... }
//
// UI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

// Text style flags of DrawString / MeasureString (the Windows DT_ values, so
// layouts can write the same numbers on both systems).
enum TextStyle : uint32_t {
  kTextLeft = 0,
  kTextTop = 0,
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextVCenter = 0x4,
  kTextBottom = 0x8,
  kTextWordBreak = 0x10,
  kTextSingleLine = 0x20,
  kTextNoClip = 0x100,
  kTextEndEllipsis = 0x8000,
};

// Largest back buffer or bitmap the toolkit creates, in bytes (4 per pixel),
// and the largest side. Sizes are multiplied in 64 bits before the check, so
// an estimate such as 99999 x 99999 is refused rather than wrapped.
inline constexpr uint64_t kMaxRenderTargetBytes = uint64_t{256} << 20;
inline constexpr int kMaxRenderTargetSide = 16384;
// True when a width x height buffer is allowed (both sides positive).
bool IsValidRenderTargetSize(int width, int height);

// A device-independent 32-bit bitmap (premultiplied BGRA, top-down, rows of
// width x 4 bytes). Decoded images keep their frames in these.
class IBitmap {
 public:
  virtual ~IBitmap() = default;
  // Creates a zeroed bitmap; false (and no pixels) for an invalid size.
  virtual bool Init(int width, int height) = 0;
  virtual uint8_t* Bits() = 0;
  virtual const uint8_t* Bits() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Tells the backend that Bits() were written directly.
  virtual void MarkDirty() = 0;
};

class IRenderContext {
 public:
  virtual ~IRenderContext() = default;

  // --- The back buffer ---
  // Re-creates the buffer (zeroed). False when the size is unchanged, or not
  // valid (IsValidRenderTargetSize); an invalid size leaves no buffer.
  virtual bool Resize(int width, int height) = 0;
  // All pixels to 0 (transparent black).
  virtual void Clear() = 0;
  // A new context of the same size with a copy of every pixel.
  virtual std::unique_ptr<IRenderContext> Duplicate() const = 0;
  // Premultiplied BGRA, top-down, stride Width() x 4; nullptr without buffer.
  // Call MarkDirty() after writing through Bits().
  virtual uint8_t* Bits() = 0;
  virtual const uint8_t* Bits() const = 0;
  virtual void MarkDirty() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Every byte of every pixel of `rect` (in buffer pixels, clipped to the
  // buffer; origin and clip do not apply) set to `value`.
  virtual void ClearAlpha(const UiRect& rect, uint8_t value) = 0;
  // For the pixels of `rect` outside the four corner squares of the buffer
  // given by `corner_inset`: alpha becomes 0 when `key` is not 0 and equals
  // the pixel's alpha, else 255 (GDI drawing leaves alpha 0 behind).
  virtual void RestoreAlpha(const UiRect& rect, const UiRect& corner_inset, uint8_t key) = 0;
  // The target is a per-pixel-alpha surface (layered window): images are then
  // always blended.
  virtual bool IsTransparent() const = 0;
  virtual bool SetTransparent(bool transparent) = 0;  // returns the old value

  // --- Origin and clip ---
  virtual UiPoint OffsetOrigin(int dx, int dy) = 0;  // returns the old origin
  virtual UiPoint SetOrigin(int x, int y) = 0;        // returns the old origin
  virtual UiPoint GetOrigin() const = 0;
  // Saves the clip and intersects it with `rect` (drawing coordinates).
  virtual void SetClip(const UiRect& rect) = 0;
  // The same with a rounded rectangle of ellipse size `round_width` x
  // `round_height`.
  virtual void SetRoundedClip(const UiRect& rect, int round_width, int round_height) = 0;
  // Restores the clip saved by the last SetClip/SetRoundedClip.
  virtual void ClearClip() = 0;

  // --- Copies between contexts ---
  // Plain copy of `src`'s `src_rect` to `dest` (no scaling, alpha copied).
  virtual void BitBlt(const UiPoint& dest, const IRenderContext& src, const UiRect& src_rect) = 0;
  // Blends `src_rect` of `src` stretched into `dest` with constant opacity
  // `alpha` and the source's per-pixel alpha.
  virtual void AlphaBlend(const UiRect& dest, const IRenderContext& src, const UiRect& src_rect,
                          uint8_t alpha) = 0;

  // --- Images ---
  // Nine-grid drawing of `bitmap`: `source` (in bitmap pixels) into `dest`,
  // `corner` = border widths l,t,r,b in bitmap pixels (drawn scaled by the
  // screen scale), `fade` = constant opacity, `xtiled`/`ytiled` repeat the
  // centre. Only pieces that meet `paint_rect` are drawn. `has_alpha` says the
  // bitmap has non-opaque pixels.
  virtual void DrawNineGrid(const UiRect& paint_rect, const IBitmap& bitmap, bool has_alpha,
                            const UiRect& dest, const UiRect& source, const UiRect& corner,
                            uint8_t fade = 255, bool xtiled = false, bool ytiled = false) = 0;

  // --- Shapes (anti-aliased except FillColor) ---
  // Fills `rect`; with `alpha` below 255 the colour's own alpha is multiplied
  // by alpha / 255. A colour of 0 draws nothing.
  virtual void FillColor(const UiRect& rect, ArgbColor color, uint8_t alpha = 255) = 0;
  virtual void DrawLine(const UiPoint& from, const UiPoint& to, int width, ArgbColor color) = 0;
  virtual void DrawRect(const UiRect& rect, int width, ArgbColor color) = 0;
  virtual void DrawRoundRect(const UiRect& rect, const UiSize& round, int width, ArgbColor color) = 0;
  virtual void FillRoundRect(const UiRect& rect, const UiSize& round, ArgbColor color) = 0;
  virtual void DrawEllipse(const UiRect& rect, int width, ArgbColor color) = 0;
  virtual void FillEllipse(const UiRect& rect, ArgbColor color) = 0;

  // --- Text ---
  // Draws `text` in `rect` with the font of `font_id` (ResourceManager; the
  // default font when the id is unknown), `style` a combination of TextStyle,
  // opacity = colour alpha x `alpha` / 255. `line_limit` shows whole lines
  // only. Empty text draws nothing.
  virtual void DrawString(const UiRect& rect, StringView text, ArgbColor color, int font_id,
                          uint32_t style, uint8_t alpha = 255, bool line_limit = false) = 0;
  // The box the text needs: (0, 0, w + 1, h + 1). `width` -1: unbounded;
  // otherwise the layout width (0 = unbounded); with kTextSingleLine the
  // height is one line.
  virtual UiRect MeasureString(StringView text, int font_id, uint32_t style, int width = -1) = 0;
};

// Creates contexts and bitmaps of the running system's backend, and decodes
// images (PNG, and what else the system decoder reads) from memory.
class IRenderFactory {
 public:
  virtual ~IRenderFactory() = default;
  virtual std::unique_ptr<IRenderContext> CreateRenderContext() = 0;
  virtual std::unique_ptr<IBitmap> CreateBitmap() = 0;
};

// The backend of this system (render_factory_win.cc / render_factory_linux.cc).
std::unique_ptr<IRenderFactory> CreateRenderFactory();

// Sets a clip for the lifetime of the guard; does nothing when `context` is
// null or `enabled` is false.
class AutoClip {
 public:
  AutoClip(IRenderContext* context, const UiRect& rect, bool enabled = true)
      : context_(enabled ? context : nullptr) {
    if (context_) context_->SetClip(rect);
  }
  AutoClip(IRenderContext* context, const UiRect& rect, int round_width, int round_height,
           bool enabled = true)
      : context_(enabled ? context : nullptr) {
    if (context_) context_->SetRoundedClip(rect, round_width, round_height);
  }
  ~AutoClip() {
    if (context_) context_->ClearClip();
  }
  AutoClip(const AutoClip&) = delete;
  AutoClip& operator=(const AutoClip&) = delete;

 private:
  IRenderContext* context_;
};

// Moves the drawing origin for the lifetime of the guard.
class AutoOffsetOrigin {
 public:
  AutoOffsetOrigin(IRenderContext* context, int dx, int dy)
      : context_(context), old_(context ? context->OffsetOrigin(dx, dy) : UiPoint()) {}
  ~AutoOffsetOrigin() {
    if (context_) context_->SetOrigin(old_.x, old_.y);
  }
  AutoOffsetOrigin(const AutoOffsetOrigin&) = delete;
  AutoOffsetOrigin& operator=(const AutoOffsetOrigin&) = delete;

 private:
  IRenderContext* context_;
  UiPoint old_;
};

}  // namespace ui
