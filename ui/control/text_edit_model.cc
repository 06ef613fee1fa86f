#include "ui/control/text_edit_model.h"

#include <algorithm>

namespace ui {

namespace {

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsWordChar(char16_t c) { return !(c == u' ' || c == u'\t' || c == u'\n'); }

// The longest prefix of `text` of at most `limit` units that does not end
// inside a surrogate pair.
size_t FittingPrefix(StringView text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t n = limit;
  if (n > 0 && IsHighSurrogate(text[n - 1])) --n;
  return n;
}

}  // namespace

String TextEditModel::Normalize(StringView text, bool multi_line) {
  String out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (!multi_line) break;
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out.push_back(u'\n');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void TextEditModel::SetText(StringView text) {
  String normal = Normalize(text, multi_line_);
  normal.resize(FittingPrefix(normal, max_length_));
  text_ = std::move(normal);
  anchor_ = caret_ = text_.size();
}

void TextEditModel::SetMultiLine(bool multi_line) {
  if (multi_line_ == multi_line) return;
  multi_line_ = multi_line;
  if (!multi_line) {
    size_t brk = text_.find(u'\n');
    if (brk != String::npos) text_.resize(brk);
    Select(anchor_, caret_);
  }
}

void TextEditModel::SetMaxLength(size_t max_length) {
  max_length_ = max_length;
  if (text_.size() > max_length_) {
    text_.resize(FittingPrefix(text_, max_length_));
    Select(anchor_, caret_);
  }
}

String TextEditModel::SelectedText() const {
  return text_.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

size_t TextEditModel::Snap(size_t position) const {
  position = std::min(position, text_.size());
  if (position > 0 && position < text_.size() && IsLowSurrogate(text_[position]) &&
      IsHighSurrogate(text_[position - 1]))
    --position;
  return position;
}

void TextEditModel::Select(size_t anchor, size_t caret) {
  anchor_ = Snap(anchor);
  caret_ = Snap(caret);
}

void TextEditModel::MoveTo(size_t position, bool extend) {
  caret_ = Snap(position);
  if (!extend) anchor_ = caret_;
}

bool TextEditModel::ReplaceSelection(StringView text) {
  String insert = Normalize(text, multi_line_);
  const size_t start = SelectionStart();
  const size_t end = SelectionEnd();
  const size_t room = max_length_ - std::min(max_length_, text_.size() - (end - start));
  insert.resize(FittingPrefix(insert, room));
  if (insert.empty() && start == end) return false;
  text_.replace(start, end - start, insert);
  anchor_ = caret_ = start + insert.size();
  return true;
}

bool TextEditModel::DeleteBackward() {
  if (!HasSelection()) {
    if (caret_ == 0) return false;
    anchor_ = PreviousPosition(caret_);
  }
  return ReplaceSelection(StringView());
}

bool TextEditModel::DeleteForward() {
  if (!HasSelection()) {
    if (caret_ >= text_.size()) return false;
    anchor_ = NextPosition(caret_);
  }
  return ReplaceSelection(StringView());
}

size_t TextEditModel::PreviousPosition(size_t position) const {
  position = Snap(position);
  if (position == 0) return 0;
  return Snap(position - 1);
}

size_t TextEditModel::NextPosition(size_t position) const {
  position = Snap(position);
  if (position >= text_.size()) return text_.size();
  if (IsHighSurrogate(text_[position]) && position + 1 < text_.size() && IsLowSurrogate(text_[position + 1]))
    return position + 2;
  return position + 1;
}

size_t TextEditModel::PreviousWordStart(size_t position) const {
  size_t p = Snap(position);
  while (p > 0 && !IsWordChar(text_[p - 1])) --p;
  while (p > 0 && IsWordChar(text_[p - 1])) --p;
  return Snap(p);
}

size_t TextEditModel::NextWordStart(size_t position) const {
  size_t p = Snap(position);
  while (p < text_.size() && IsWordChar(text_[p])) ++p;
  while (p < text_.size() && !IsWordChar(text_[p])) ++p;
  return Snap(p);
}

}  // namespace ui
