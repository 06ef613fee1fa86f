// RichEdit: the toolkit's text box (tag `RichEdit`), single or multi-line,
// editable, read-only or disabled. The text itself lives in a RichEditEngine
// (the system's text services on Windows, the toolkit's TextBox on Linux);
// this class keeps the attributes, turns window input into engine calls by
// the input table below, blinks the caret and raises the events.
//
//   auto* edit = static_cast<RichEdit*>(window.LocateControl(u"edit_path"));
//   edit->SetText(u"C:\\Program Files\\LumaCast");
//   edit->SetReadOnly(true);
//   String folder = edit->GetText();
//   int height = edit->NaturalHeight(300);   // for a 300-pixel-wide box
//
// Input: Return raises `return` instead of a line break when `wantreturnmsg`
// is set (with Ctrl when `returnmsgwantctrl` is); Tab raises `tab` when
// `wanttab` is false; a number-only box drops every typed or pasted
// character but 0 to 9. Editing raises kEventTextChange. The caret blinks
// (500 ms) only while the box is focused, enabled and editable: no timer runs
// otherwise. UI thread only.
#pragma once

#include <memory>

#include "ui/control/box.h"
#include "ui/control/rich_edit_engine.h"

namespace ui {

// Kinds raised by the rich edit that have no layout name.
inline constexpr UiEventKind kEventTextChange = static_cast<UiEventKind>(44);
inline constexpr UiEventKind kEventLinkClick = static_cast<UiEventKind>(47);
inline constexpr UiEventKind kEventImeStart = static_cast<UiEventKind>(48);
inline constexpr UiEventKind kEventImeEnd = static_cast<UiEventKind>(49);

class RichEdit : public Box, private RichEditEngine::Delegate {
 public:
  RichEdit();
  ~RichEdit() override;

  bool ApplyAttribute(StringView name, StringView value) override;

  // --- Text ---
  // Replaces the whole text (no kEventTextChange: only editing raises it).
  void SetText(StringView text);
  // The engine's text; without an engine the text as last set.
  String GetText() const;
  void SelectAll();
  // Replaces the selection as typing would: limits and filters apply, and a
  // read-only box refuses.
  void ReplaceSelection(StringView text);

  // --- States ---
  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  bool IsMultiLine() const { return format_.multi_line; }
  void SetMultiLine(bool multi_line);
  bool IsPassword() const { return format_.password; }
  void SetPassword(bool password);
  bool IsNumberOnly() const { return number_only_; }
  void SetNumberOnly(bool number_only) { number_only_ = number_only; }
  size_t GetMaxLength() const { return format_.max_length; }
  void SetMaxLength(size_t max_length);
  void SetEnabled(bool enabled) override;
  // The colour name used now (normal or disabled).
  const String& GetTextColor() const { return text_color_; }
  void SetTextColor(StringView color_name);
  bool IsCaretVisible() const { return caret_visible_; }
  // True while the blink timer runs.
  bool IsCaretBlinking() const { return caret_blinking_; }
  RichEditEngine* Engine() const { return engine_.get(); }

  // --- Size ---
  // The height the text needs in a box `width` pixels wide (padding included
  // on both sides of the call).
  int NaturalHeight(int width);
  // Auto height (`height="auto"`): the natural height for the width given.
  UiSize EstimateSize(UiSize available) override;
  void Place(const UiRect& rect) override;

  void OnEvent(const EventArgs& args) override;
  void DrawStateImages(IRenderContext* context) override;
  void DrawLabelText(IRenderContext* context) override;

 private:
  static const AttributeTable<RichEdit>& Table();

  // RichEditEngine::Delegate
  void OnEngineTextChanged() override;
  void OnEngineRepaint() override;
  void OnEngineCaretMoved() override;

  bool HandleKeyDown(const EventArgs& args);
  bool HandleChar(const EventArgs& args);
  void PasteDigits();
  void Notify(UiEventKind kind);
  void ApplyFormat();
  void ApplyAlign(StringView value);
  // Starts or stops the blink after a change of focus, state or caret.
  void UpdateCaret(bool restart);
  UiRect ClientRect() const;
  UiPoint EnginePoint(const EventArgs& args) const;

  std::unique_ptr<RichEditEngine> engine_;
  TextBoxFormat format_;
  String text_;  // as last set
  bool read_only_ = false;
  bool number_only_ = false;
  bool auto_vscroll_ = false;
  bool auto_hscroll_ = false;
  bool vscrollbar_ = false;
  bool hscrollbar_ = false;
  VerAlign text_valign_ = VerAlign::kTop;
  bool want_tab_ = true;
  bool want_return_msg_ = false;
  bool return_msg_want_ctrl_ = false;
  bool prompt_mode_ = false;
  bool swallow_return_char_ = false;
  String text_color_;
  String normal_text_color_;
  String disabled_text_color_;
  String caret_color_;
  String prompt_color_;
  String prompt_text_;
  ImageSpec focused_image_;
  bool caret_visible_ = false;
  bool caret_blinking_ = false;
  nbase::WeakCallbackFlag caret_flag_;
};

}  // namespace ui
