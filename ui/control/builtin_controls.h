// The layout tag table: which control class each built-in tag creates.
#pragma once

#include <memory>

#include "ui/core/ui_string.h"

namespace ui {

class Control;

// A new control for `tag` (case-sensitive), or nullptr for a tag outside the
// table. Tags of controls this toolkit does not implement yet (lists, trees,
// slider, scroll bar, combo) get the nearest plain class so that
// layouts using them still build and lay out.
std::unique_ptr<Control> CreateControlForTag(StringView tag);

}  // namespace ui
