// Text through GDI+: a copy of the generic typographic format with the
// style's flags, fonts cached per description.
#include <map>
#include <string>

#include "ui/render/render_backend_win.h"

namespace ui {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

struct TextCache {
  std::map<std::wstring, GpFont*> fonts;
  GpGraphics* measure = nullptr;  // over a 1 x 1 bitmap
  GpBitmap* measure_bitmap = nullptr;
};

TextCache& Cache() {
  static TextCache* cache = [] {
    auto* c = new TextCache;
    if (EnsureGdiplus() &&
        GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppPARGB, nullptr, &c->measure_bitmap) == Ok) {
      GdipGetImageGraphicsContext(c->measure_bitmap, &c->measure);
      if (c->measure) GdipSetTextRenderingHint(c->measure, TextRenderingHintAntiAliasGridFit);
    }
    return c;
  }();
  return *cache;
}

GpFont* FontFor(const FontRecord& record) {
  std::wstring face(record.face.begin(), record.face.end());
  std::wstring key = face + L"|" + std::to_wstring(record.size) + L"|" +
                     std::to_wstring(record.weight) + (record.italic ? L"i" : L"n") +
                     (record.underline ? L"u" : L"n");
  auto& fonts = Cache().fonts;
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  GpFontFamily* family = nullptr;
  if (GdipCreateFontFamilyFromName(face.c_str(), nullptr, &family) != Ok) {
    // A face this system lacks: its generic sans serif.
    GpFontFamily* generic = nullptr;
    if (GdipGetGenericFontFamilySansSerif(&generic) != Ok) return nullptr;
    GdipCloneFontFamily(generic, &family);
  }
  INT style = FontStyleRegular;
  if (record.weight >= 700) style |= FontStyleBold;
  if (record.italic) style |= FontStyleItalic;
  if (record.underline) style |= FontStyleUnderline;
  GpFont* font = nullptr;
  GdipCreateFont(family, static_cast<REAL>(record.size > 0 ? record.size : 12), style, UnitPixel, &font);
  GdipDeleteFontFamily(family);
  fonts.emplace(key, font);  // a failure is remembered as null
  return font;
}

// A copy of the generic typographic format with `style` applied. The caller
// deletes it.
GpStringFormat* FormatFor(uint32_t style, bool line_limit, bool measuring) {
  GpStringFormat* generic = nullptr;
  GpStringFormat* format = nullptr;
  if (GdipStringFormatGetGenericTypographic(&generic) != Ok ||
      GdipCloneStringFormat(generic, &format) != Ok) {
    return nullptr;
  }
  INT flags = 0;
  GdipGetStringFormatFlags(format, &flags);
  // Trailing spaces count, as they do on the other system's layout.
  flags |= StringFormatFlagsMeasureTrailingSpaces;
  if (style & kTextNoClip) flags |= StringFormatFlagsNoClip;
  if (style & kTextSingleLine) flags |= StringFormatFlagsNoWrap;
  if (line_limit) flags |= StringFormatFlagsLineLimit;
  GdipSetStringFormatFlags(format, flags);
  if (!measuring && (style & kTextEndEllipsis)) {
    GdipSetStringFormatTrimming(format, StringTrimmingEllipsisCharacter);
  }
  StringAlignment horizontal = StringAlignmentNear;
  if (style & kTextCenter) horizontal = StringAlignmentCenter;
  else if (style & kTextRight) horizontal = StringAlignmentFar;
  StringAlignment vertical = StringAlignmentNear;
  if (style & kTextVCenter) vertical = StringAlignmentCenter;
  else if (style & kTextBottom) vertical = StringAlignmentFar;
  if (!measuring) {
    GdipSetStringFormatAlign(format, horizontal);
    GdipSetStringFormatLineAlign(format, vertical);
  }
  return format;
}

}  // namespace

void DrawTextGdiplus(GpGraphics* graphics, const UiRect& rect, StringView text, ArgbColor color,
                     const FontRecord& record, uint32_t style, uint8_t alpha, bool line_limit) {
  GpFont* font = FontFor(record);
  GpStringFormat* format = FormatFor(style, line_limit, false);
  GpSolidFill* brush = nullptr;
  uint32_t a = ((color >> 24) & 0xFF) * alpha / 255;
  if (font && format && GdipCreateSolidFill((a << 24) | (color & 0x00FFFFFF), &brush) == Ok) {
    RectF box(static_cast<REAL>(rect.left), static_cast<REAL>(rect.top),
              static_cast<REAL>(rect.Width()), static_cast<REAL>(rect.Height()));
    std::wstring wide(text.begin(), text.end());
    GdipDrawString(graphics, wide.c_str(), static_cast<INT>(wide.size()), font, &box, format, brush);
    GdipDeleteBrush(brush);
  }
  if (format) GdipDeleteStringFormat(format);
}

bool TextExtentsGdiplus(StringView text, const FontRecord& record, uint32_t style, int width, UiSize* size) {
  GpGraphics* graphics = Cache().measure;
  GpFont* font = FontFor(record);
  GpStringFormat* format = FormatFor(style, false, true);
  bool measured = false;
  if (graphics && font && format) {
    std::wstring wide(text.begin(), text.end());
    RectF layout(0, 0, width > 0 ? static_cast<REAL>(width) : 0.0f, 0.0f), bounds;
    if (GdipMeasureString(graphics, wide.c_str(), static_cast<INT>(wide.size()), font, &layout, format, &bounds,
                          nullptr, nullptr) == Ok) {
      *size = UiSize{static_cast<int>(bounds.Width), static_cast<int>(bounds.Height)};
      measured = true;
    }
  }
  if (format) GdipDeleteStringFormat(format);
  return measured;
}

}  // namespace ui
