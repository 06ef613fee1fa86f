#include "ui/core/string_table.h"

#include <vector>

namespace ui {
namespace {

// Spaces and every control character up to code 29, at both ends.
StringView Trim(StringView s) {
  auto strip = [](char16_t c) { return c == u' ' || c <= 29; };
  while (!s.empty() && strip(s.front())) s.remove_prefix(1);
  while (!s.empty() && strip(s.back())) s.remove_suffix(1);
  return s;
}

void AddLine(StringView line, std::map<String, String, std::less<>>* texts) {
  line = Trim(line);
  if (line.empty()) return;
  // Runs of '=' are one separator; empty tokens are dropped.
  std::vector<StringView> tokens;
  size_t i = 0;
  while (i < line.size() && tokens.size() < 3) {
    while (i < line.size() && line[i] == u'=') ++i;
    size_t start = i;
    while (i < line.size() && line[i] != u'=') ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
  if (tokens.size() != 2) return;
  StringView id = Trim(tokens[0]);
  StringView text = Trim(tokens[1]);
  if (id.empty() || id.find(u';') != StringView::npos) return;
  (*texts)[String(id)] = String(text);
}

}  // namespace

void StringTable::LoadFromMemory(std::string_view utf8) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t end = utf8.find('\n', start);
    if (end == std::string_view::npos) end = utf8.size();
    AddLine(FromUTF8(utf8.substr(start, end - start)), &texts_);
    start = end + 1;
  }
}

String StringTable::TextForId(StringView id) const {
  if (id.empty()) return String();
  auto it = texts_.find(id);
  if (it == texts_.end()) return String();
  const String& raw = it->second;
  String out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == u'\\' && i + 1 < raw.size() && (raw[i + 1] == u'n' || raw[i + 1] == u'r')) {
      out.push_back(raw[i + 1] == u'n' ? u'\n' : u'\r');
      ++i;
    } else {
      out.push_back(raw[i]);
    }
  }
  return out;
}

}  // namespace ui
