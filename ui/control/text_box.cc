#include "ui/control/text_box.h"

#include <algorithm>

#include "ui/core/clipboard.h"
#include "ui/core/native_window.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

constexpr ArgbColor kSelectionColor = 0xFFB5D5FF;
constexpr char16_t kPasswordChar = u'\u25CF';

// A context that only measures, shared by every box of the thread.
IRenderContext* MeasuringContext() {
  static std::unique_ptr<IRenderContext> context;
  if (!context) {
    if (IRenderFactory* factory = ResourceManager::Get().GetRenderFactory()) {
      context = factory->CreateRenderContext();
      if (context) context->Resize(1, 1);
    }
  }
  return context.get();
}

}  // namespace

TextBox::TextBox(Delegate* delegate, MeasurerFactory measurer_factory)
    : delegate_(delegate), measurer_factory_(std::move(measurer_factory)) {
  if (!measurer_factory_) {
    measurer_factory_ = [](int font_id) -> std::unique_ptr<TextMeasurer> {
      return std::make_unique<RenderTextMeasurer>(MeasuringContext(), font_id);
    };
  }
}

TextBox::~TextBox() = default;

TextMeasurer& TextBox::Measurer() {
  if (!measurer_) measurer_ = measurer_factory_(format_.font_id);
  return *measurer_;
}

void TextBox::SetFormat(const TextBoxFormat& format) {
  if (format == format_) return;
  if (format.font_id != format_.font_id) measurer_.reset();
  format_ = format;
  model_.SetMultiLine(format.multi_line);
  model_.SetMaxLength(format.max_length);
  layout_dirty_ = true;
  if (delegate_) delegate_->OnEngineRepaint();
}

void TextBox::SetText(StringView text) {
  model_.SetText(text);
  scroll_x_ = scroll_y_ = 0;
  layout_dirty_ = true;
  Changed(false);
}

void TextBox::SelectAll() {
  model_.SelectAll();
  Changed(false);
}

void TextBox::ReplaceSelection(StringView text) {
  if (Editable() && model_.ReplaceSelection(text)) Changed(true);
}

void TextBox::CollapseSelection() {
  MoveCaret(model_.Caret(), false);
}

void TextBox::Place(const UiRect& client) {
  if (client.Width() != client_.Width()) layout_dirty_ = true;
  client_ = client;
  ScrollToCaret();
}

String TextBox::DisplayText() const {
  if (!format_.password) return model_.Text();
  String shown = model_.Text();
  for (char16_t& c : shown) {
    if (c != u'\n') c = kPasswordChar;
  }
  return shown;
}

void TextBox::EnsureLayout() {
  if (!layout_dirty_) return;
  const int wrap = format_.multi_line && format_.word_wrap ? std::max(1, client_.Width()) : 0;
  layout_.Build(DisplayText(), wrap, Measurer());
  layout_dirty_ = false;
}

const TextLayout& TextBox::Layout() {
  EnsureLayout();
  return layout_;
}

int TextBox::NaturalHeight(int width) {
  if (!format_.multi_line) return Measurer().LineHeight();
  TextLayout probe;
  probe.Build(DisplayText(), format_.word_wrap ? std::max(1, width) : 0, Measurer());
  return probe.Height();
}

int TextBox::LineLeft(size_t line) {
  EnsureLayout();
  int left = client_.left - scroll_x_;
  const auto& lines = layout_.Lines();
  if (line < lines.size() && lines[line].width < client_.Width()) {
    const int spare = client_.Width() - lines[line].width;
    if (format_.align & kTextCenter) left += spare / 2;
    else if (format_.align & kTextRight) left += spare;
  }
  return left;
}

size_t TextBox::PositionAt(UiPoint point) {
  EnsureLayout();
  const int line_height = std::max(1, layout_.LineHeight());
  int line = (point.y - TextTop()) / line_height;
  if (point.y < TextTop()) line = 0;
  line = std::clamp(line, 0, static_cast<int>(layout_.Lines().size()) - 1);
  return layout_.PositionAt(line, point.x - LineLeft(line), Measurer());
}

UiRect TextBox::CaretRect() {
  if (!focused_) return UiRect();
  EnsureLayout();
  const size_t line = layout_.LineOf(model_.Caret());
  const int x = LineLeft(line) + layout_.XOf(model_.Caret(), Measurer());
  const int y = TextTop() + static_cast<int>(line) * layout_.LineHeight();
  UiRect caret(x, y, x + 1, y + layout_.LineHeight());
  // A caret at the right edge stays visible.
  if (caret.left >= client_.right && caret.left <= client_.right + 1) caret.Offset(client_.right - 1 - caret.left, 0);
  return caret.Intersects(client_) ? caret : UiRect();
}

void TextBox::ScrollToCaret() {
  EnsureLayout();
  if (layout_.Lines().empty() || client_.IsEmpty()) return;
  const size_t line = layout_.LineOf(model_.Caret());
  const int line_height = layout_.LineHeight();
  // Vertical: the caret's line inside the view.
  const int top = static_cast<int>(line) * line_height;
  if (top < scroll_y_) scroll_y_ = top;
  else if (top + line_height > scroll_y_ + client_.Height()) scroll_y_ = top + line_height - client_.Height();
  scroll_y_ = std::clamp(scroll_y_, 0, std::max(0, layout_.Height() - client_.Height()));
  // Horizontal (unwrapped text): the caret inside, no empty space scrolled in.
  if (format_.multi_line && format_.word_wrap) {
    scroll_x_ = 0;
    return;
  }
  const int x = layout_.XOf(model_.Caret(), Measurer());
  const int width = client_.Width() - 1;
  if (x < scroll_x_) scroll_x_ = x;
  else if (x > scroll_x_ + width) scroll_x_ = x - width;
  scroll_x_ = std::clamp(scroll_x_, 0, std::max(0, layout_.Width() - width));
}

void TextBox::Changed(bool text_changed) {
  if (text_changed) layout_dirty_ = true;
  ScrollToCaret();
  if (!delegate_) return;
  if (text_changed) delegate_->OnEngineTextChanged();
  delegate_->OnEngineCaretMoved();
  delegate_->OnEngineRepaint();
}

void TextBox::MoveCaret(size_t position, bool extend) {
  model_.MoveTo(position, extend);
  goal_x_ = -1;
  Changed(false);
}

bool TextBox::MoveVertically(int lines, bool extend) {
  EnsureLayout();
  const size_t line = layout_.LineOf(model_.Caret());
  const int target = static_cast<int>(line) + lines;
  if (goal_x_ < 0) goal_x_ = layout_.XOf(model_.Caret(), Measurer());
  size_t position;
  if (target < 0) position = 0;
  else if (target >= static_cast<int>(layout_.Lines().size())) position = model_.Text().size();
  else position = layout_.PositionAt(target, goal_x_, Measurer());
  const int goal = goal_x_;
  model_.MoveTo(position, extend);
  Changed(false);
  goal_x_ = goal;
  return true;
}

void TextBox::Paint(IRenderContext* context, const UiRect& dirty) {
  if (!context || !client_.Intersects(dirty)) return;
  EnsureLayout();
  AutoClip clip(context, client_);
  const auto& lines = layout_.Lines();
  const int line_height = layout_.LineHeight();
  const String shown = DisplayText();
  const size_t sel_start = model_.SelectionStart();
  const size_t sel_end = model_.SelectionEnd();
  for (size_t i = 0; i < lines.size(); ++i) {
    const int top = TextTop() + static_cast<int>(i) * line_height;
    if (top >= client_.bottom) break;
    if (top + line_height <= client_.top) continue;
    const TextLine& line = lines[i];
    const int left = LineLeft(i);
    if (sel_start < sel_end && sel_start <= line.end && sel_end >= line.start) {
      const size_t from = std::max(sel_start, line.start);
      const size_t to = std::min(sel_end, line.end);
      int x0 = left + layout_.XOf(from, Measurer());
      int x1 = left + (to == line.end ? Measurer().Width(StringView(shown).substr(line.start, to - line.start))
                                      : layout_.XOf(to, Measurer()));
      // A selected line break shows as a little room after the line.
      if (sel_end > line.end && i + 1 < lines.size() && lines[i + 1].start > line.end) x1 += 4;
      if (x1 > x0) context->FillColor(UiRect(x0, top, x1, top + line_height), kSelectionColor);
    }
    if (line.end > line.start) {
      const int width = std::max(line.width, client_.Width()) + 2;
      context->DrawString(UiRect(left, top, left + width, top + line_height),
                          StringView(shown).substr(line.start, line.end - line.start), format_.text_color,
                          format_.font_id, kTextSingleLine | kTextNoClip);
    }
  }
}

void TextBox::SetFocus(bool focused) {
  focused_ = focused;
  if (!focused) dragging_ = false;
  if (delegate_) delegate_->OnEngineRepaint();
}

bool TextBox::Copy() {
  if (format_.password || !model_.HasSelection()) return false;
  return SetClipboardText(model_.SelectedText());
}

bool TextBox::Paste() {
  if (!Editable()) return false;
  String text;
  if (!GetClipboardText(&text)) return false;
  ReplaceSelection(text);
  return true;
}

bool TextBox::KeyDown(uint16_t key, uint32_t modifiers) {
  const bool shift = modifiers & kModShift;
  const bool ctrl = modifiers & kModControl;
  const size_t caret = model_.Caret();
  switch (key) {
    case kVkLeft:
      if (model_.HasSelection() && !shift) MoveCaret(model_.SelectionStart(), false);
      else MoveCaret(ctrl ? model_.PreviousWordStart(caret) : model_.PreviousPosition(caret), shift);
      return true;
    case kVkRight:
      if (model_.HasSelection() && !shift) MoveCaret(model_.SelectionEnd(), false);
      else MoveCaret(ctrl ? model_.NextWordStart(caret) : model_.NextPosition(caret), shift);
      return true;
    case kVkUp:
    case kVkDown:
      if (!format_.multi_line) return false;
      return MoveVertically(key == kVkUp ? -1 : 1, shift);
    case kVkHome:
    case kVkEnd: {
      size_t target;
      if (ctrl) {
        target = key == kVkHome ? 0 : model_.Text().size();
      } else {
        EnsureLayout();
        const TextLine& line = layout_.Lines()[layout_.LineOf(caret)];
        target = key == kVkHome ? line.start : line.end;
        // The end of a wrapped line is the next line's start: stop before it.
        const size_t index = layout_.LineOf(caret);
        if (key == kVkEnd && index + 1 < layout_.Lines().size() &&
            layout_.Lines()[index + 1].start == line.end && target > line.start)
          target = model_.PreviousPosition(target);
      }
      MoveCaret(target, shift);
      return true;
    }
    case kVkBack:
      if (Editable() && model_.DeleteBackward()) Changed(true);
      return true;
    case kVkDelete:
      if (shift && !ctrl) {  // Shift+Delete: cut
        if (Editable() && Copy() && model_.DeleteForward()) Changed(true);
        return true;
      }
      if (Editable() && model_.DeleteForward()) Changed(true);
      return true;
    case kVkInsert:
      if (ctrl) return Copy() || true;
      if (shift) return Paste() || true;
      return false;
    default:
      break;
  }
  if (ctrl && !(modifiers & kModAlt)) {
    switch (key) {
      case u'A':
        SelectAll();
        return true;
      case u'C':
        Copy();
        return true;
      case u'X':
        if (Editable() && Copy() && model_.DeleteForward()) Changed(true);
        return true;
      case u'V':
        Paste();
        return true;
      default:
        break;
    }
  }
  return false;
}

bool TextBox::Char(char16_t ch) {
  if (!Editable()) return false;
  if (ch == u'\r' || ch == u'\n') {
    if (!format_.multi_line) return false;
    ch = u'\n';
  } else if ((ch < 0x20 && ch != u'\t') || ch == 0x7F) {
    return false;  // control characters (Ctrl+letter, Backspace, Escape)
  }
  ReplaceSelection(StringView(&ch, 1));
  return true;
}

bool TextBox::ButtonDown(UiPoint point, uint32_t modifiers) {
  dragging_ = true;
  MoveCaret(PositionAt(point), (modifiers & kModShift) != 0);
  return true;
}

bool TextBox::DoubleClick(UiPoint point) {
  (void)point;
  dragging_ = false;
  SelectAll();
  return true;
}

bool TextBox::MouseMove(UiPoint point) {
  if (!dragging_) return false;
  const size_t position = PositionAt(point);
  if (position != model_.Caret()) MoveCaret(position, true);
  return true;
}

bool TextBox::ButtonUp(UiPoint point) {
  (void)point;
  dragging_ = false;
  return true;
}

}  // namespace ui
