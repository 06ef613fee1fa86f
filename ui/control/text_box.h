// TextBox: the toolkit's own text engine (the RichEdit's engine on Linux).
//
// Text and selection live in a TextEditModel, lines in a TextLayout; the box
// paints through the render context (selection, text, caret place) and
// carries out editing input: typing, Backspace/Delete, arrows (Ctrl: by
// word), Home/End (Ctrl: whole text), Up/Down in multi-line boxes, Shift to
// select, Ctrl+A/C/X/V (and Ctrl+Insert, Shift+Insert, Shift+Delete), mouse
// selection and double click to select all. A read-only box selects and
// copies but never changes its text; a password box never copies.
// Everything here is portable: only the clipboard and the text measuring go
// to the system.
#pragma once

#include <functional>
#include <memory>

#include "ui/control/rich_edit_engine.h"
#include "ui/control/text_edit_model.h"
#include "ui/control/text_layout.h"

namespace ui {

class TextBox : public RichEditEngine {
 public:
  // Makes the measurer for a font; by default the render backend's.
  using MeasurerFactory = std::function<std::unique_ptr<TextMeasurer>(int font_id)>;

  explicit TextBox(Delegate* delegate, MeasurerFactory measurer_factory = {});
  ~TextBox() override;

  void SetFormat(const TextBoxFormat& format) override;
  void SetText(StringView text) override;
  String GetText() const override { return model_.Text(); }
  void SelectAll() override;
  void ReplaceSelection(StringView text) override;
  void CollapseSelection() override;
  void Place(const UiRect& client) override;
  int NaturalHeight(int width) override;
  void Paint(IRenderContext* context, const UiRect& dirty) override;
  UiRect CaretRect() override;
  void SetFocus(bool focused) override;
  bool KeyDown(uint16_t key, uint32_t modifiers) override;
  bool Char(char16_t ch) override;
  bool ButtonDown(UiPoint point, uint32_t modifiers) override;
  bool DoubleClick(UiPoint point) override;
  bool MouseMove(UiPoint point) override;
  bool ButtonUp(UiPoint point) override;

  const TextEditModel& Model() const { return model_; }
  const TextLayout& Layout();
  // The text position under a window point.
  size_t PositionAt(UiPoint point);

 private:
  bool Editable() const { return !format_.read_only; }
  // The text as shown (password boxes show one bullet per character).
  String DisplayText() const;
  TextMeasurer& Measurer();
  void EnsureLayout();
  // Left edge of `line` in window pixels (alignment and scrolling applied).
  int LineLeft(size_t line);
  int TextTop() const { return client_.top - scroll_y_; }
  void ScrollToCaret();
  // After an edit or a caret move: layout, scrolling, repaint, notices.
  void Changed(bool text_changed);
  void MoveCaret(size_t position, bool extend);
  bool MoveVertically(int lines, bool extend);
  bool Copy();
  bool Paste();

  Delegate* delegate_;
  MeasurerFactory measurer_factory_;
  std::unique_ptr<TextMeasurer> measurer_;
  TextBoxFormat format_;
  TextEditModel model_;
  TextLayout layout_;
  bool layout_dirty_ = true;
  UiRect client_;
  int scroll_x_ = 0;
  int scroll_y_ = 0;
  int goal_x_ = -1;  // Up/Down keep the column they started from
  bool focused_ = false;
  bool dragging_ = false;
};

}  // namespace ui
