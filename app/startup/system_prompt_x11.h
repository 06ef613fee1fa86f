// A minimal Xlib dialog with a text and the buttons "Try Again" and "Cancel",
// for the Linux single-instance prompt. Runs its own event loop on the calling
// thread with its own display connection, and returns when answered.
// Return or a click on "Try Again" retries; Escape, "Cancel" or the window
// manager's close button cancel.
#pragma once

#include <string>

enum class X11DialogResult { kRetry, kCancel, kNoDisplay };

// `text` and `caption` are UTF-8. kNoDisplay when no display can be opened.
X11DialogResult ShowX11RetryDialog(const std::string& text, const std::string& caption);
