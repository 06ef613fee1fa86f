// lumacast-layout --window: the layout as a live window that a person (or a
// test driving real input) can use. Every event a control raises is printed
// on standard output as "event <kind> <control-name>"; with --print-text NAME,
// "text <name> <text>" whenever that control's text changes. With --geometry
// the live window's geometry (client pixels of the shown window) is written
// after its first layout; with --accessibility its accessibility tree, and
// from then on "accessible <event> <role> <name>" for every change the tree
// reports. The window serves the tree to assistive technology as the
// installer's windows do. Ends with status 0 when the window is closed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace lumacast_layout {

struct WindowModeOptions {
  std::string layout;                                     // path inside the theme
  std::vector<std::pair<std::string, bool>> visibility;  // name, visible
  std::vector<std::string> print_text;                    // control names
  std::string geometry;                                   // file, "-" or empty
  std::string accessibility;                              // file, "-" or empty
  std::string title = "lumacast-layout";
};

// Runs the UI loop on the calling thread until the window is closed. The
// theme and its global.xml must be loaded. 0 after a close; 2 when the layout
// does not build, a named control is missing or no window can be opened.
int RunWindowMode(const WindowModeOptions& options);

}  // namespace lumacast_layout
