// The --accessibility output of lumacast-layout: the tree assistive
// technology sees, one node per line, children indented under their parent:
//
//   window "LumaCast Setup" [focusable]
//     push button "Close" [focusable] action "Press"
//     progress bar "Installation Progress" value "0%" range 0..100
#pragma once

#include <string>

namespace ui {
class AccessibleTree;
}

namespace lumacast_layout {

std::string AccessibilityText(ui::AccessibleTree* tree);

}  // namespace lumacast_layout
