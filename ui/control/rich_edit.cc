#include "ui/control/rich_edit.h"

#include <algorithm>

#include "base/tick_scheduler.h"
#include "ui/accessibility/accessibility_notify.h"
#include "ui/core/attribute_values.h"
#include "ui/core/clipboard.h"
#include "ui/core/native_window.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

constexpr uint32_t kCaretBlinkMs = 500;

// The window passes the modifier keys of key and mouse input in lParam.
uint32_t ModifiersOf(const EventArgs& args) { return static_cast<uint32_t>(args.lparam); }

String DigitsOf(StringView text) {
  String digits;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') digits.push_back(c);
  }
  return digits;
}

// `true` / `false` set or clear; any other value leaves the flag.
void SetFlagIfBool(bool& flag, StringView value) {
  if (value == u"true") flag = true;
  else if (value == u"false") flag = false;
}

}  // namespace

RichEdit::RichEdit() {
  cursor_ = kCursorIBeam;
  const String& color = ResourceManager::Get().GetDefaultTextColor();
  text_color_ = normal_text_color_ = disabled_text_color_ = color;
  format_.text_color = ColorOf(text_color_);
  engine_ = CreateRichEditEngine(this);
  if (engine_) engine_->SetFormat(format_);
}

RichEdit::~RichEdit() {
  caret_flag_.Revoke();
  engine_.reset();
}

const AttributeTable<RichEdit>& RichEdit::Table() {
  using R = RichEdit;
  static const AttributeTable<RichEdit> table({
      {u"vscrollbar", [](R& c, StringView v) { c.vscrollbar_ = IsTrueValue(v); }},
      {u"hscrollbar", [](R& c, StringView v) { c.hscrollbar_ = IsTrueValue(v); c.ApplyFormat(); }},
      {u"autovscroll", [](R& c, StringView v) { SetFlagIfBool(c.auto_vscroll_, v); }},
      {u"autohscroll", [](R& c, StringView v) { SetFlagIfBool(c.auto_hscroll_, v); c.ApplyFormat(); }},
      {u"multiline", [](R& c, StringView v) {
         if (v == u"true" || v == u"false") c.SetMultiLine(v == u"true");
       }},
      {u"readonly", [](R& c, StringView v) {
         if (v == u"true" || v == u"false") c.SetReadOnly(v == u"true");
       }},
      {u"password", [](R& c, StringView v) {
         if (v == u"true" || v == u"false") c.SetPassword(v == u"true");
       }},
      {u"number", [](R& c, StringView v) { SetFlagIfBool(c.number_only_, v); }},
      {u"align", [](R& c, StringView v) { c.ApplyAlign(v); }},
      {u"normaltextcolor", [](R& c, StringView v) {
         c.normal_text_color_ = String(TrimLeadingBlanks(v));
         if (c.IsEnabled()) c.SetTextColor(c.normal_text_color_);
       }},
      {u"disabledtextcolor", [](R& c, StringView v) {
         c.disabled_text_color_ = String(TrimLeadingBlanks(v));
         if (!c.IsEnabled()) c.SetTextColor(c.disabled_text_color_);
       }},
      {u"caretcolor", [](R& c, StringView v) { c.caret_color_ = String(TrimLeadingBlanks(v)); }},
      {u"promptmode", [](R& c, StringView v) {
         if (v == u"true") c.prompt_mode_ = true;
       }},
      {u"promptcolor", [](R& c, StringView v) { c.prompt_color_ = String(TrimLeadingBlanks(v)); }},
      {u"prompttext", [](R& c, StringView v) { c.prompt_text_ = String(v); c.RequestRepaint(); }},
      {u"prompttextid", [](R& c, StringView v) {
         c.prompt_text_ = ResourceManager::Get().TextForId(v);
         c.RequestRepaint();
       }},
      {u"focusedimage", [](R& c, StringView v) { c.focused_image_.SetImageString(v); c.RequestRepaint(); }},
      {u"font", [](R& c, StringView v) {
         c.format_.font_id = ParseDecimal(v);
         c.ApplyFormat();
       }},
      {u"text", [](R& c, StringView v) { c.SetText(v); }},
      {u"textid", [](R& c, StringView v) { c.SetText(ResourceManager::Get().TextForId(v)); }},
      {u"wanttab", [](R& c, StringView v) { c.want_tab_ = IsTrueValue(v); }},
      {u"wantreturnmsg", [](R& c, StringView v) { c.want_return_msg_ = IsTrueValue(v); }},
      {u"returnmsgwantctrl", [](R& c, StringView v) { c.return_msg_want_ctrl_ = IsTrueValue(v); }},
      {u"rich", [](R& c, StringView v) {
         c.format_.rich = IsTrueValue(v);
         c.ApplyFormat();
       }},
      {u"maxchar", [](R& c, StringView v) {
         int n = ParseDecimal(v);
         if (n > 0) c.SetMaxLength(static_cast<size_t>(n));
       }},
  });
  return table;
}

bool RichEdit::ApplyAttribute(StringView name, StringView value) {
  return Table().Apply(*this, name, value) || Box::ApplyAttribute(name, value);
}

void RichEdit::ApplyAlign(StringView value) {
  auto has = [&](StringView word) { return value.find(word) != StringView::npos; };
  if (has(u"left")) format_.align = kTextLeft;
  if (has(u"hcenter")) format_.align = kTextCenter;
  if (has(u"right")) format_.align = kTextRight;
  if (has(u"top")) text_valign_ = VerAlign::kTop;
  if (has(u"vcenter")) text_valign_ = VerAlign::kCenter;
  if (has(u"bottom")) text_valign_ = VerAlign::kBottom;
  ApplyFormat();
}

void RichEdit::ApplyFormat() {
  // Unwrapped when the box scrolls sideways.
  format_.word_wrap = !(auto_hscroll_ || hscrollbar_);
  format_.read_only = read_only_;
  format_.text_color = ColorOf(text_color_);
  if (engine_) engine_->SetFormat(format_);
  if (fixed_height_ == kSizeAuto) RequestLayout();
  else if (engine_) engine_->Place(ClientRect());
  RequestRepaint();
}

// --- Text ---

void RichEdit::SetText(StringView text) {
  text_ = String(text);
  if (engine_) engine_->SetText(text);
  NotifyAccessibility(this, AccessibleEvent::kValue);
  if (fixed_height_ == kSizeAuto) RequestLayout();
  RequestRepaint();
}

String RichEdit::GetText() const { return engine_ ? engine_->GetText() : text_; }

void RichEdit::SelectAll() {
  if (engine_) engine_->SelectAll();
}

void RichEdit::ReplaceSelection(StringView text) {
  if (!engine_ || read_only_) return;
  engine_->ReplaceSelection(number_only_ ? StringView(DigitsOf(text)) : text);
}

// --- States ---

void RichEdit::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  NotifyAccessibility(this, AccessibleEvent::kState);
  ApplyFormat();
  UpdateCaret(false);
}

void RichEdit::SetMultiLine(bool multi_line) {
  format_.multi_line = multi_line;
  ApplyFormat();
}

void RichEdit::SetPassword(bool password) {
  format_.password = password;
  ApplyFormat();
}

void RichEdit::SetMaxLength(size_t max_length) {
  format_.max_length = max_length;
  ApplyFormat();
}

void RichEdit::SetEnabled(bool enabled) {
  const bool changed = enabled != IsEnabled();
  Box::SetEnabled(enabled);
  if (!changed) return;
  SetTextColor(enabled ? normal_text_color_ : disabled_text_color_);
  UpdateCaret(false);
}

void RichEdit::SetTextColor(StringView color_name) {
  if (text_color_ == color_name) return;
  text_color_ = String(color_name);
  ApplyFormat();
}

// --- Size ---

UiRect RichEdit::ClientRect() const {
  UiRect client = rect_;
  if (GetLayout()) client.Deflate(GetLayout()->GetPadding());
  return client;
}

int RichEdit::NaturalHeight(int width) {
  UiRect padding = GetLayout() ? GetLayout()->GetPadding() : UiRect();
  const int inner = std::max(1, width - padding.left - padding.right);
  const int text = engine_ ? engine_->NaturalHeight(inner) : 0;
  return text + padding.top + padding.bottom;
}

UiSize RichEdit::EstimateSize(UiSize available) {
  UiSize size = Box::EstimateSize(available);
  if (fixed_height_ == kSizeAuto) {
    const int width = fixed_width_ > 0 ? fixed_width_ : available.cx;
    size.cy = NaturalHeight(width);
  }
  return size;
}

void RichEdit::Place(const UiRect& rect) {
  Box::Place(rect);
  if (!engine_) return;
  UiRect client = ClientRect();
  if (text_valign_ != VerAlign::kTop) {
    const int spare = client.Height() - engine_->NaturalHeight(client.Width());
    if (spare > 0) client.top += text_valign_ == VerAlign::kCenter ? spare / 2 : spare;
  }
  engine_->Place(client);
}

// --- Input ---

UiPoint RichEdit::EnginePoint(const EventArgs& args) const { return args.mouse_point; }

void RichEdit::Notify(UiEventKind kind) {
  if (window_) window_->NotifyControl(this, kind);
  else RaiseEvent(kind);
}

void RichEdit::PasteDigits() {
  // The digits go in directly: the clipboard keeps what the user copied.
  String text;
  if (!GetClipboardText(&text)) return;
  const String digits = DigitsOf(text);
  if (!digits.empty() && engine_) engine_->ReplaceSelection(digits);
}

bool RichEdit::HandleKeyDown(const EventArgs& args) {
  const uint32_t modifiers = ModifiersOf(args);
  const bool ctrl = modifiers & kModControl;
  swallow_return_char_ = false;
  if (args.key == kVkReturn && !(modifiers & kModShift) && want_return_msg_ &&
      ctrl == return_msg_want_ctrl_) {
    swallow_return_char_ = true;  // the Return's character must not break the line
    Notify(kEventReturn);
    return true;
  }
  // Both paste keys take the digits straight from the clipboard; any other
  // way text arrives (a menu, a drop) is filtered in OnEngineTextChanged.
  const bool paste_key = (ctrl && args.key == u'V') || (!ctrl && (modifiers & kModShift) && args.key == kVkInsert);
  if (number_only_ && paste_key) {
    if (!read_only_) PasteDigits();
    return true;
  }
  return engine_->KeyDown(args.key, modifiers);
}

bool RichEdit::HandleChar(const EventArgs& args) {
  const char16_t ch = args.key;
  if (ch == u'\r' && swallow_return_char_) {
    swallow_return_char_ = false;
    return true;
  }
  if (ch == u'\t' && !want_tab_) {
    Notify(kEventTab);
    return true;
  }
  // Control characters (Backspace and the like) still reach the engine.
  if (number_only_ && ch >= 0x20 && (ch < u'0' || ch > u'9')) return true;
  return engine_->Char(ch);
}

void RichEdit::OnEvent(const EventArgs& args) {
  const bool mouse = IsMouseEventKind(args.type) || args.type == kEventPointerDown ||
                     args.type == kEventPointerUp || args.type == kEventInternalButtonDown;
  if (!engine_ || !IsEnabled() || (mouse && !IsMouseEnabled())) {
    Box::OnEvent(args);
    return;
  }
  const UiPoint point = EnginePoint(args);
  switch (args.type) {
    case kEventInternalButtonDown:  // double click
      if (read_only_) engine_->SelectAll();
      else engine_->DoubleClick(point);
      return;
    case kEventInternalSetFocus:
      focused_ = true;
      engine_->SetFocus(true);
      UpdateCaret(true);
      RequestRepaint();
      return;
    case kEventInternalKillFocus:
      focused_ = false;
      engine_->SetFocus(false);
      UpdateCaret(false);
      RequestRepaint();
      return;
    case kEventKeyDown:
      if (!HandleKeyDown(args)) Box::OnEvent(args);
      return;
    case kEventChar:
      if (!HandleChar(args)) Box::OnEvent(args);
      return;
    case kEventMouseMove:
      engine_->MouseMove(point);
      return;
    case kEventPointerDown:
      if (!receive_pointer_) break;
      [[fallthrough]];
    case kEventButtonDown:
      engine_->ButtonDown(point, ModifiersOf(args));
      return;
    case kEventPointerUp:
      if (!receive_pointer_) break;
      [[fallthrough]];
    case kEventButtonUp:
      engine_->ButtonUp(point);
      return;
    case kEventRButtonDown:
      engine_->RButtonDown(point);
      return;
    case kEventRButtonUp:
      engine_->RButtonUp(point);
      return;
    case kEventScrollWheel:
      if (ModifiersOf(args) & kModControl) return;  // no zoom
      break;
    case kEventSetCursor:
      if (engine_->SetCursor(point)) return;
      break;
    default:
      break;
  }
  Box::OnEvent(args);
}

// --- Caret ---

void RichEdit::UpdateCaret(bool restart) {
  const bool want = focused_ && IsEnabled() && !read_only_ && engine_;
  if (!want) {
    if (caret_blinking_ || caret_visible_) {
      caret_flag_.Revoke();
      caret_blinking_ = false;
      caret_visible_ = false;
      RequestRepaint();
    }
    return;
  }
  if (caret_blinking_ && !restart) return;
  caret_flag_.Revoke();
  caret_visible_ = true;
  caret_blinking_ = nbase::TickScheduler::Instance().Schedule(
      caret_flag_.FlagReference(),
      [this] {
        caret_visible_ = !caret_visible_;
        RequestRepaint();
      },
      kCaretBlinkMs, -1);
  RequestRepaint();
}

void RichEdit::OnEngineTextChanged() {
  if (number_only_) {
    // Whatever path the text took into the engine, a number-only box keeps
    // digits only.
    const String text = engine_->GetText();
    const String digits = DigitsOf(text);
    if (digits.size() != text.size()) {
      engine_->SetText(digits);
      engine_->CollapseSelection();
    }
  }
  if (fixed_height_ == kSizeAuto) RequestLayout();
  NotifyAccessibility(this, AccessibleEvent::kValue);
  RaiseEvent(kEventTextChange);
}

void RichEdit::OnEngineRepaint() { RequestRepaint(); }

void RichEdit::OnEngineCaretMoved() {
  if (caret_blinking_) UpdateCaret(true);
}

// --- Painting ---

void RichEdit::DrawStateImages(IRenderContext* context) {
  Box::DrawStateImages(context);
  if (focused_ && !focused_image_.file.empty()) DrawImageSpec(context, focused_image_);
}

void RichEdit::DrawLabelText(IRenderContext* context) {
  if (!engine_) return;
  const UiRect client = ClientRect();
  if (prompt_mode_ && !prompt_text_.empty() && GetText().empty()) {
    const ArgbColor color = ColorOf(prompt_color_.empty() ? disabled_text_color_ : prompt_color_);
    context->DrawString(client, prompt_text_, color, format_.font_id,
                        format_.align | (format_.multi_line ? kTextWordBreak : kTextSingleLine));
  }
  engine_->Paint(context, paint_rect_);
  if (caret_visible_ && !read_only_) {
    const UiRect caret = engine_->CaretRect();
    ArgbColor color = ColorOf(caret_color_);
    if (color == 0) color = format_.text_color ? format_.text_color : 0xFF000000;
    if (!caret.IsEmpty()) context->FillColor(caret, color);
  }
}

}  // namespace ui
