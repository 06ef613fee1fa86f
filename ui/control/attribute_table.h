// AttributeTable: one class's attribute names and their setters.
//
// Every control class keeps one static table of the names it handles itself;
// its ApplyAttribute tries that table and hands anything else to its base
// class, so a name is looked up along the class chain, most derived first:
//
//   bool Progress::ApplyAttribute(StringView name, StringView value) {
//     return Table().Apply(*this, name, value) || LabelTemplate::ApplyAttribute(name, value);
//   }
#pragma once

#include <initializer_list>
#include <map>
#include <utility>

#include "ui/core/ui_string.h"

namespace ui {

template <class C>
class AttributeTable {
 public:
  using Setter = void (*)(C& target, StringView value);

  AttributeTable(std::initializer_list<std::pair<const char16_t*, Setter>> entries) {
    for (const auto& [name, setter] : entries) setters_.emplace(StringView(name), setter);
  }

  // True when `name` belongs to this table (the setter has run).
  bool Apply(C& target, StringView name, StringView value) const {
    auto it = setters_.find(name);
    if (it == setters_.end()) return false;
    it->second(target, value);
    return true;
  }

 private:
  std::map<StringView, Setter, std::less<>> setters_;
};

}  // namespace ui
