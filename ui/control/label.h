// LabelTemplate<T>: text with a font, per-state text colours, alignment flags
// and text padding, on top of a Control (tag `Label`) or a Box (`LabelBox`).
// Auto sizes come from measuring the text. UI thread only.
#pragma once

#include <type_traits>

#include "ui/accessibility/accessibility_notify.h"
#include "ui/control/box.h"
#include "ui/control/control.h"
#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

inline constexpr uint32_t kLabelTextStyle = kTextSingleLine | kTextNoClip | kTextEndEllipsis;
inline constexpr uint32_t kButtonTextStyle = kTextCenter | kTextVCenter | kTextSingleLine | kTextNoClip |
                                             kTextEndEllipsis;

// Changes `style` by the words of an `align` value (substring search, in this
// order: left, center, right, top, vcenter, bottom).
uint32_t ApplyAlignWords(uint32_t style, StringView value);

template <class T>
class LabelTemplate : public T {
 public:
  LabelTemplate() {
    if constexpr (!std::is_base_of_v<Box, T>) {
      this->fixed_width_ = kSizeAuto;
      this->fixed_height_ = kSizeAuto;
    }
    const auto& rm = ResourceManager::Get();
    text_colors_[kControlStateNormal] = rm.GetDefaultTextColor();
    text_colors_[kControlStateDisabled] = rm.GetDefaultDisabledTextColor();
  }

  bool ApplyAttribute(StringView name, StringView value) override {
    return Table().Apply(*this, name, value) || T::ApplyAttribute(name, value);
  }

  const String& GetText() const { return text_; }
  void SetText(StringView text) {
    if (text_ == text) return;
    text_ = String(text);
    NotifyAccessibility(this, AccessibleEvent::kName);
    if (this->fixed_width_ == kSizeAuto || this->fixed_height_ == kSizeAuto) this->RequestLayout();
    this->RequestRepaint();
  }
  int GetFont() const { return font_; }
  uint32_t GetTextStyle() const { return text_style_; }
  void SetTextStyle(uint32_t style) { text_style_ = style; }
  const UiRect& GetTextPadding() const { return text_padding_; }
  const String& GetTextColor(ControlState state) const { return text_colors_[state]; }
  bool IsSingleLine() const { return single_line_; }

  UiSize EstimateSize(UiSize available) override {
    UiSize size = T::EstimateSize(available);
    const bool auto_w = this->fixed_width_ == kSizeAuto;
    const bool auto_h = this->fixed_height_ == kSizeAuto;
    if (!auto_w && !auto_h) return size;
    if constexpr (std::is_base_of_v<Box, T>) {
      // A box sizes to its children; its text does not widen it.
      return size;
    } else {
      UiSize text_size = MeasureText(available);
      if (auto_w) size.cx = text_size.cx;
      if (auto_h) size.cy = text_size.cy;
      return size;
    }
  }

  void DrawLabelText(IRenderContext* context) override { DrawText(context, text_colors_); }

 protected:
  uint32_t EffectiveStyle() const {
    return single_line_ ? (text_style_ | kTextSingleLine) : (text_style_ & ~kTextSingleLine);
  }

  // The label size estimate: text measured (limited to a fixed width), plus
  // the padding; multi-line auto text that does not fit wraps at `available`.
  UiSize MeasureText(UiSize available) {
    if (text_.empty()) return UiSize();
    IRenderContext* measurer = Measurer();
    if (!measurer) return UiSize();
    const uint32_t style = EffectiveStyle();
    const int limit = this->fixed_width_ > 0 ? this->fixed_width_ : 0;
    UiRect box = measurer->MeasureString(text_, font_, style, limit);
    const UiRect& p = text_padding_;
    UiSize size{box.Width() + p.left + p.right, box.Height() + p.top + p.bottom};
    const int avail = available.cx - p.left - p.right;
    if (!single_line_ && this->fixed_width_ == kSizeAuto && this->max_width_ == -1 && avail > 0 &&
        avail < box.Width()) {
      box = measurer->MeasureString(text_, font_, style, avail);
      size = UiSize{box.Width() + p.left + p.right, box.Height() + p.top + p.bottom};
    }
    return size;
  }

  // Draws the text with the colour of the current state out of `colors`.
  void DrawText(IRenderContext* context, const String* colors) {
    if (text_.empty()) return;
    UiRect rect = this->rect_;
    rect.Deflate(text_padding_);
    const uint32_t style = EffectiveStyle();
    const ControlState state = this->state_;
    if (this->fade_hot_ && (state == kControlStateNormal || state == kControlStateHot) &&
        !colors[kControlStateHot].empty()) {
      context->DrawString(rect, text_, this->ColorOf(colors[kControlStateNormal]), font_, style, 255, line_limit_);
      if (this->hot_alpha_ >= 1)
        context->DrawString(rect, text_, this->ColorOf(colors[kControlStateHot]), font_, style,
                            static_cast<uint8_t>(this->hot_alpha_), line_limit_);
      return;
    }
    context->DrawString(rect, text_, this->ColorOf(Control::PickStateColor(colors, state)), font_, style, 255,
                        line_limit_);
  }

  // A context for measuring text (UI thread; never painted).
  static IRenderContext* Measurer() {
    static std::unique_ptr<IRenderContext> context;
    if (!context) {
      if (IRenderFactory* factory = ResourceManager::Get().GetRenderFactory()) {
        context = factory->CreateRenderContext();
        if (context) context->Resize(1, 1);
      }
    }
    return context.get();
  }

  String text_;
  String text_id_;
  int font_ = 1;
  uint32_t text_style_ = kLabelTextStyle;
  bool single_line_ = true;
  bool line_limit_ = false;
  String text_colors_[kControlStateCount];
  UiRect text_padding_;

 private:
  static const AttributeTable<LabelTemplate>& Table() {
    using L = LabelTemplate;
    static const AttributeTable<LabelTemplate> table({
        {u"align", [](L& c, StringView v) { c.text_style_ = ApplyAlignWords(c.text_style_, v); }},
        {u"endellipsis", [](L& c, StringView v) {
           if (IsTrueValue(v)) c.text_style_ |= kTextEndEllipsis;
           else c.text_style_ &= ~kTextEndEllipsis;
         }},
        {u"linelimit", [](L& c, StringView v) { c.line_limit_ = IsTrueValue(v); c.RequestRepaint(); }},
        {u"singleline", [](L& c, StringView v) { c.single_line_ = IsTrueValue(v); c.RequestRepaint(); }},
        {u"text", [](L& c, StringView v) { c.SetText(v); }},
        {u"textid", [](L& c, StringView v) {
           c.text_id_ = String(v);
           c.SetText(ResourceManager::Get().TextForId(v));
         }},
        {u"font", [](L& c, StringView v) { c.font_ = ParseDecimal(v); c.RequestRepaint(); }},
        {u"normaltextcolor", [](L& c, StringView v) { c.text_colors_[kControlStateNormal] = String(v); c.RequestRepaint(); }},
        {u"hottextcolor", [](L& c, StringView v) {
           c.text_colors_[kControlStateHot] = String(v);
           c.fade_hot_ = true;
           c.RequestRepaint();
         }},
        {u"pushedtextcolor", [](L& c, StringView v) { c.text_colors_[kControlStatePushed] = String(v); c.RequestRepaint(); }},
        {u"disabledtextcolor", [](L& c, StringView v) { c.text_colors_[kControlStateDisabled] = String(v); c.RequestRepaint(); }},
        {u"textpadding", [](L& c, StringView v) {
           UiRect r;
           ParseRectNumbers(v, &r);
           auto& dpi = DpiScale::Get();
           c.text_padding_ = UiRect(dpi.ScaleValue(r.left), dpi.ScaleValue(r.top), dpi.ScaleValue(r.right),
                                    dpi.ScaleValue(r.bottom));
           if (c.fixed_width_ == kSizeAuto || c.fixed_height_ == kSizeAuto) c.RequestLayout();
           else c.RequestRepaint();
         }},
    });
    return table;
  }
};

using Label = LabelTemplate<Control>;
using LabelBox = LabelTemplate<Box>;

}  // namespace ui
