#include "ui/core/attribute_values.h"

namespace ui {

int ParseDecimal(StringView text, bool* ok, size_t* used) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  size_t digits_start = i;
  long long value = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    if (value <= kMaxAttributeNumber) value = value * 10 + (text[i] - u'0');
    ++i;
  }
  bool found = i > digits_start;
  if (value > kMaxAttributeNumber) value = kMaxAttributeNumber;
  if (ok) *ok = found;
  if (used) *used = found ? i : 0;
  if (!found) return 0;
  return static_cast<int>(negative ? -value : value);
}

int ParseNumberList(StringView text, int* out, int max) {
  int count = 0;
  size_t pos = 0;
  while (count < max && pos <= text.size()) {
    bool ok = false;
    size_t used = 0;
    int value = ParseDecimal(text.substr(pos), &ok, &used);
    if (!ok) break;
    out[count++] = value;
    pos += used + 1;  // exactly one separator
  }
  return count;
}

int ParseRectNumbers(StringView text, UiRect* rect) {
  int v[4] = {rect->left, rect->top, rect->right, rect->bottom};
  int n = ParseNumberList(text, v, 4);
  *rect = UiRect(v[0], v[1], v[2], v[3]);
  return n;
}

int ParseSizeNumbers(StringView text, UiSize* size) {
  int v[2] = {size->cx, size->cy};
  int n = ParseNumberList(text, v, 2);
  *size = UiSize{v[0], v[1]};
  return n;
}

StringView TrimLeadingBlanks(StringView text) {
  while (!text.empty() && (text[0] == u' ' || text[0] == u'\t')) text.remove_prefix(1);
  return text;
}

int ForEachListedAttribute(StringView list,
                           const std::function<void(StringView name, StringView value)>& apply) {
  int applied = 0;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t eq = list.find(u'=', pos);
    if (eq == StringView::npos) break;
    StringView name = list.substr(pos, eq - pos);
    if (eq + 1 >= list.size() || list[eq + 1] != u'"') break;
    size_t close = list.find(u'"', eq + 2);
    if (close == StringView::npos) break;
    apply(name, list.substr(eq + 2, close - eq - 2));
    ++applied;
    pos = close + 1;
    if (pos >= list.size()) break;
    if (list[pos] != u' ' || pos + 1 >= list.size()) break;
    ++pos;
  }
  return applied;
}

void ForEachWord(StringView text, const std::function<void(StringView word)>& each) {
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == u' ') ++pos;
    size_t end = pos;
    while (end < text.size() && text[end] != u' ') ++end;
    if (end > pos) each(text.substr(pos, end - pos));
    pos = end;
  }
}

}  // namespace ui
