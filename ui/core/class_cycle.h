// Class references in a theme: a class's attribute list may name further
// classes (`class="a b"`), and so may an `applyattribute` list. A theme in
// which a class reaches itself again, directly or through others, would
// recurse without end; one whose classes fan out (each naming several that
// each name several more) would apply an exponential number of lists.
//
// FindClassProblem walks the references once (an explicit stack, each class
// expanded once) and names the first class that closes a cycle or whose
// expansion grows past kMaxClassExpansion. The builder turns a problem into
// a build error; Control refuses to apply such a class at run time.
//
//   ClassProblem p = FindClassProblem(u"btn_blue", lookup);
//   if (p) Fail(p.Message());
#pragma once

#include <functional>
#include <vector>

#include "ui/core/ui_string.h"

namespace ui {

// The attribute list of class `name`, empty when there is none.
using ClassLookup = std::function<String(StringView name)>;

struct ClassProblem {
  enum Kind { kNone, kCycle, kTooLarge };
  Kind kind = kNone;
  String name;  // the class at fault

  explicit operator bool() const { return kind != kNone; }
  // The builder's message, naming the class.
  String Message() const;
};

// Class lists applied by one list at most (counted with repeats).
inline constexpr int kMaxClassExpansion = 1000;

// `class_list`: class names separated by spaces, as in `class="a b"`.
ClassProblem FindClassProblem(StringView class_list, const ClassLookup& lookup);
// Each class of a table on its own, sharing the walk (a whole class table is
// checked in time linear in its size).
ClassProblem FindClassProblemEach(const std::vector<String>& names, const ClassLookup& lookup);
// The same for the `class` items of an attribute list (name="value" ...).
ClassProblem FindClassProblemInList(StringView attribute_list, const ClassLookup& lookup);

}  // namespace ui
