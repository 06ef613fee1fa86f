#include "ui/control/progress.h"

#include "ui/accessibility/accessibility_notify.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ui {

Progress::Progress() {
  text_style_ = kTextCenter | kTextSingleLine;
  fixed_height_ = DpiScale::Get().ScaleValue(12);
}

const AttributeTable<Progress>& Progress::Table() {
  static const AttributeTable<Progress> table({
      {u"hor", [](Progress& p, StringView v) {
         bool h = IsTrueValue(v);
         if (h != p.horizontal_) { p.horizontal_ = h; p.RequestRepaint(); }
       }},
      {u"min", [](Progress& p, StringView v) { p.min_ = ParseDecimal(v); p.RequestRepaint(); }},
      {u"max", [](Progress& p, StringView v) { p.max_ = ParseDecimal(v); p.RequestRepaint(); }},
      {u"value", [](Progress& p, StringView v) { p.SetValue(std::strtod(ToUTF8(v).c_str(), nullptr)); }},
      {u"progressimage", [](Progress& p, StringView v) { p.progress_image_.SetImageString(v); p.RequestRepaint(); }},
      {u"isstretchfore", [](Progress& p, StringView v) {
         bool s = IsTrueValue(v);
         if (s != p.stretch_fore_) { p.stretch_fore_ = s; p.RequestRepaint(); }
       }},
      {u"progresscolor", [](Progress& p, StringView v) {
         String color(TrimLeadingBlanks(v));
         if (color != p.progress_color_) { p.progress_color_ = color; p.RequestRepaint(); }
       }},
  });
  return table;
}

bool Progress::ApplyAttribute(StringView name, StringView value) {
  return Table().Apply(*this, name, value) || LabelTemplate<Control>::ApplyAttribute(name, value);
}

void Progress::SetValue(double value) {
  // "nan" reads as a number but compares with nothing: it would pass the
  // clamping below and reach an undefined float-to-int conversion.
  if (std::isnan(value)) value = min_;
  const bool changed = value_ != value;
  value_ = value;
  // Observers read the new value while they are told.
  if (changed) NotifyAccessibility(this, AccessibleEvent::kValue);
  RequestRepaint();
}

UiRect Progress::FilledPart() {
  if (min_ >= max_) max_ = min_ + 1;  // both read clamped: no overflow
  if (value_ < min_) value_ = min_;
  if (value_ > max_) value_ = max_;
  const double w = rect_.Width();
  const double h = rect_.Height();
  const double range = static_cast<double>(max_) - min_;
  if (horizontal_) return UiRect(0, 0, static_cast<int>(w * (value_ - min_) / range), static_cast<int>(h));
  return UiRect(0, static_cast<int>((max_ - value_) * h / range), static_cast<int>(w), static_cast<int>(h));
}

void Progress::DrawStateImages(IRenderContext* context) {
  UiRect part = FilledPart();
  ArgbColor color = ColorOf(progress_color_);
  if (color != 0) {
    UiRect fill = part;
    fill.Offset(rect_.left, rect_.top);
    context->FillColor(fill, color);
  }
  if (progress_image_.file.empty()) return;
  char modify[160];
  if (stretch_fore_) {
    std::snprintf(modify, sizeof modify, "destscale='false' dest='%d,%d,%d,%d'", part.left, part.top, part.right,
                  part.bottom);
  } else {
    std::snprintf(modify, sizeof modify, "destscale='false' dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", part.left,
                  part.top, part.right, part.bottom, part.left, part.top, part.right, part.bottom);
  }
  DrawImageSpec(context, progress_image_, U(modify));
}

void Progress::ReleaseImages() {
  LabelTemplate<Control>::ReleaseImages();
  progress_image_.image.reset();
}

}  // namespace ui
