// Text through pango-cairo. Font faces of the layouts name Windows fonts;
// they are mapped to families a Linux machine has (see README, "Fonts on
// Linux"), with fontconfig filling in any glyph the first family lacks.
#include <pango/pangocairo.h>

#include <map>
#include <string>

#include "ui/render/render_backend_linux.h"

namespace ui {
namespace {

constexpr char kCjkSans[] = "WenQuanYi Micro Hei,Noto Sans CJK SC,Noto Sans SC,Droid Sans Fallback,sans-serif";

// Pango objects kept for the life of the process (UI thread only).
struct TextCache {
  cairo_surface_t* measure_surface = nullptr;
  cairo_t* measure_cr = nullptr;
  PangoLayout* layout = nullptr;  // one layout, re-targeted per call
  std::map<std::string, PangoFontDescription*> fonts;
};

TextCache& Cache() {
  static TextCache* cache = [] {
    auto* c = new TextCache;
    c->measure_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    c->measure_cr = cairo_create(c->measure_surface);
    c->layout = pango_cairo_create_layout(c->measure_cr);
    // Grey-scale anti-aliasing: sub-pixel colour fringes would be wrong on a
    // surface with alpha.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(pango_layout_get_context(c->layout), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(c->layout);
    return c;
  }();
  return *cache;
}

const PangoFontDescription* FontDescription(const FontRecord& font) {
  std::string families = LinuxFontFamilies(font.face);
  std::string key = families + "|" + std::to_string(font.size) + "|" + std::to_string(font.weight) +
                    (font.italic ? "|i" : "|n");
  auto& fonts = Cache().fonts;
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, families.c_str());
  pango_font_description_set_absolute_size(desc, static_cast<double>(font.size > 0 ? font.size : 12) * PANGO_SCALE);
  pango_font_description_set_weight(desc, static_cast<PangoWeight>(font.weight));
  pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  fonts.emplace(key, desc);
  return desc;
}

// Prepares the shared layout for `text` in a box `width` x `height` pixels
// (-1: unbounded).
PangoLayout* PrepareLayout(StringView text, const FontRecord& font, uint32_t style, int width,
                           int height) {
  PangoLayout* layout = Cache().layout;
  std::string utf8 = ToUTF8(text);
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  pango_layout_set_font_description(layout, FontDescription(font));
  PangoAttrList* attributes = pango_attr_list_new();
  if (font.underline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);

  bool single_line = style & kTextSingleLine;
  bool ellipsis = style & kTextEndEllipsis;
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_ellipsize(layout, ellipsis && width > 0 ? PANGO_ELLIPSIZE_END : PANGO_ELLIPSIZE_NONE);
  // A width makes pango wrap (or ellipsize); single lines without an
  // ellipsis keep their natural width.
  bool bounded = width > 0 && (!single_line || ellipsis);
  pango_layout_set_width(layout, bounded ? width * PANGO_SCALE : -1);
  // With an ellipsis: one line per paragraph on a single line, otherwise as
  // many lines as the box holds.
  pango_layout_set_height(layout, ellipsis && !single_line && height > 0 ? height * PANGO_SCALE : -1);
  PangoAlignment alignment = PANGO_ALIGN_LEFT;
  if (style & kTextCenter) alignment = PANGO_ALIGN_CENTER;
  else if (style & kTextRight) alignment = PANGO_ALIGN_RIGHT;
  pango_layout_set_alignment(layout, alignment);
  return layout;
}

}  // namespace

std::string LinuxFontFamilies(StringView face) {
  std::string name = ToUTF8(ToLowerAscii(face));
  static const char* const kCjkNames[] = {
      "system", "\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91" /* 微软雅黑 */,
      "\xE6\x96\xB0\xE5\xAE\x8B\xE4\xBD\x93" /* 新宋体 */, "\xE5\xAE\x8B\xE4\xBD\x93" /* 宋体 */,
      "\xE9\xBB\x91\xE4\xBD\x93" /* 黑体 */, "microsoft yahei", "microsoft yahei ui", "simsun",
      "nsimsun", "simhei", "segoe ui", "tahoma", "ms shell dlg", "ms shell dlg 2"};
  for (const char* cjk : kCjkNames) {
    if (name == cjk) return kCjkSans;
  }
  if (name == "arial") return std::string("Liberation Sans,Arimo,Arial,") + kCjkSans;
  if (name.empty()) return kCjkSans;
  // Any other face: as named, then the CJK sans for what it lacks.
  return ToUTF8(face) + "," + kCjkSans;
}

void DrawTextCairo(cairo_t* cr, const UiRect& rect, StringView text, ArgbColor color,
                   const FontRecord& font, uint32_t style, uint8_t alpha, bool line_limit) {
  PangoLayout* layout = PrepareLayout(text, font, style, rect.Width(), rect.Height());
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  int text_height = logical.height;
  int box_height = rect.Height();
  if (line_limit && !(style & kTextSingleLine)) {
    // Whole lines only: the box is cut to the last line that fits.
    int lines = pango_layout_get_line_count(layout);
    int line_height = lines > 0 ? text_height / lines : text_height;
    if (line_height > 0) box_height = std::min(box_height, box_height / line_height * line_height);
  }
  double x = rect.left;
  if (pango_layout_get_width(layout) < 0) {
    // Unbounded layouts are placed by hand.
    if (style & kTextCenter) x += (rect.Width() - logical.width) / 2.0;
    else if (style & kTextRight) x += rect.Width() - logical.width;
    x -= logical.x;
  }
  double y = rect.top;
  if (style & kTextVCenter) y += (rect.Height() - text_height) / 2;
  else if (style & kTextBottom) y += rect.Height() - text_height;

  cairo_save(cr);
  if (!(style & kTextNoClip)) {
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), box_height);
    cairo_clip(cr);
  }
  double a = ((color >> 24) & 0xFF) / 255.0 * (alpha / 255.0);
  cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                        (color & 0xFF) / 255.0, a);
  cairo_move_to(cr, x, y);
  pango_cairo_update_layout(cr, layout);
  pango_cairo_show_layout(cr, layout);
  // Back to the measuring target, so measuring never touches a back buffer.
  pango_cairo_update_layout(Cache().measure_cr, layout);
  cairo_restore(cr);
}

UiSize TextExtentsCairo(StringView text, const FontRecord& font, uint32_t style, int width) {
  PangoLayout* layout = PrepareLayout(text, font, style, width > 0 ? width : -1, -1);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  return UiSize{logical.width, logical.height};
}

}  // namespace ui
