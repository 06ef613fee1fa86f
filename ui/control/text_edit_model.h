// TextEditModel: the text of a text box with its selection, and the edits a
// person makes with the keyboard; no drawing and no system calls.
//
// Positions are UTF-16 offsets between characters; the model never leaves
// one inside a surrogate pair. The selection runs from the anchor (where it
// started) to the caret (where it ends now); both are equal when nothing is
// selected. Line breaks are stored as '\n' whatever the input used
// ("\r\n", '\r'); a single-line model keeps only the first line of any text
// it is given.
//
//   TextEditModel model;
//   model.SetText(u"hello");          // caret at the end
//   model.MoveTo(0, /*extend=*/true); // selects "hello" backwards
//   model.ReplaceSelection(u"bye");   // "bye", caret after it
#pragma once

#include <cstddef>

#include "ui/core/ui_string.h"

namespace ui {

inline constexpr size_t kDefaultTextLimit = 0x7FFF;

class TextEditModel {
 public:
  const String& Text() const { return text_; }
  // Replaces everything (line breaks normalised, cut to the limit); the
  // caret goes to the end with nothing selected.
  void SetText(StringView text);

  bool IsMultiLine() const { return multi_line_; }
  // Switching to single line drops every line after the first.
  void SetMultiLine(bool multi_line);
  size_t MaxLength() const { return max_length_; }
  // The text is cut when it is longer than the new limit.
  void SetMaxLength(size_t max_length);

  // --- Selection ---
  size_t Anchor() const { return anchor_; }
  size_t Caret() const { return caret_; }
  size_t SelectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  size_t SelectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
  bool HasSelection() const { return anchor_ != caret_; }
  String SelectedText() const;
  // Both ends clamped to the text and moved off the middle of a pair.
  void Select(size_t anchor, size_t caret);
  void SelectAll() { Select(0, text_.size()); }
  // Moves the caret; `extend` keeps the anchor (Shift held).
  void MoveTo(size_t position, bool extend);

  // --- Editing; each returns true when the text changed ---
  // Replaces the selection with `text` (normalised; single line: up to its
  // first line break). What would pass the length limit is left out, whole
  // characters only. The caret ends after the inserted text.
  bool ReplaceSelection(StringView text);
  // Backspace: the selection, else the character before the caret.
  bool DeleteBackward();
  // Delete: the selection, else the character after the caret.
  bool DeleteForward();

  // --- Positions ---
  size_t PreviousPosition(size_t position) const;
  size_t NextPosition(size_t position) const;
  // Ctrl+Left / Ctrl+Right: the start of the word before / after.
  size_t PreviousWordStart(size_t position) const;
  size_t NextWordStart(size_t position) const;

  // Line breaks as '\n' (single line: cut at the first break).
  static String Normalize(StringView text, bool multi_line);

 private:
  size_t Snap(size_t position) const;

  String text_;
  size_t anchor_ = 0;
  size_t caret_ = 0;
  size_t max_length_ = kDefaultTextLimit;
  bool multi_line_ = true;
};

}  // namespace ui
