// A plain Xlib dialog: wrapped text and a row of buttons, drawn with the
// server's core font. For the few messages that must reach a person without
// the toolkit's own windows: the single-instance prompt before the UI starts,
// and the error box when a window cannot be built. Runs its own event loop on
// the calling thread with its own display connection and returns when
// answered. Return presses the first button; Escape and the window manager's
// close button give `cancel_index`.
#pragma once

#include <string>
#include <vector>

namespace ui {

// `text`, `caption` and the labels are UTF-8. The index of the pressed button,
// or -1 when no display can be opened.
int ShowPlainDialog(const std::string& text, const std::string& caption, const std::vector<std::string>& buttons,
                    int cancel_index);

}  // namespace ui
