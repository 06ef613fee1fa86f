// The system clipboard, plain text only: the Windows clipboard
// (CF_UNICODETEXT) or the X CLIPBOARD selection.
//
// On X11 the toolkit owns the selection through a window of its own on a
// connection of its own, watched by the UI thread's pump, so copied text stays
// pasteable into other programs for as long as the UI loop runs. Reading waits
// for the owner's answer (at most a second) and serves our own selection
// without asking the server.
//
// UI thread only.
#pragma once

#include "ui/core/ui_string.h"

namespace ui {

// False when the clipboard could not be taken; the old content then stays.
bool SetClipboardText(StringView text);
// False (and `text` empty) when the clipboard holds no text.
bool GetClipboardText(String* text);

}  // namespace ui
