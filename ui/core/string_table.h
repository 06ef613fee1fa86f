// StringTable: the language strings (id -> text) of "gdstrings.ini".
//
// File format: UTF-8 lines `ID=text`; a leading byte-order mark is skipped;
// lines are trimmed (spaces and control characters up to code 29 at both
// ends); lines whose id holds ';' are comments; a line with more than one '='
// separator run (`KEY = a = b`) is ignored; a later id replaces an earlier
// one. In texts the two-character sequences \r and \n stand for CR and LF.
//
// UI thread only.
#pragma once

#include <map>
#include <string_view>

#include "ui/core/ui_string.h"

namespace ui {

class StringTable {
 public:
  // Adds the entries of `utf8` (whole file contents) to the table. Invalid
  // UTF-8 lines are skipped.
  void LoadFromMemory(std::string_view utf8);
  void Clear() { texts_.clear(); }
  // The text of `id` with \r and \n expanded; empty for an unknown id.
  String TextForId(StringView id) const;
  size_t size() const { return texts_.size(); }

 private:
  std::map<String, String, std::less<>> texts_;
};

}  // namespace ui
