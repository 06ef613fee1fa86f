// The installer's user interface at start-up and at the orderly stop: the
// theme (chosen by the system DPI, read from the program's THEME resource),
// the UI toolkit's global state and the main window. UI thread.
#pragma once

#include <cstdint>
#include <string>

// The theme folder for a system DPI: "themes\default" up to 100 DPI,
// "themes\default-hdpi" up to 131, "themes\default-xhdpi" above.
std::wstring ThemeFolderForDpi(int dpi);

// Opens the THEME archive and starts the UI toolkit with the theme of the
// system DPI and the "lang\zh_CN" strings (also builds the theme's global
// layout: fonts, colours, classes).
void StartUiToolkit();

// Creates the main window titled "LumaCast Setup", centres it on the monitor
// holding the pointer, shows it and brings it to the front without leaving it
// topmost. False when the window cannot be built (missing or broken layout:
// the error box has been shown).
bool OpenMainWindow();

// The UI loop has ended on a quit from outside (SIGTERM or SIGINT, a WM_QUIT
// posted to the UI thread, the X display lost) while the main window is
// open: the window's orderly end (hidden at once, the flow cancelled, the
// queued reports given up to 2 s); the process then ends with exit code 0.
// Returns (doing nothing) when there is no main window.
void EndMainWindowOnQuit();

// Releases what StartUiToolkit set up (archive, render factory, fonts).
void StopUiToolkit();

namespace installer_ui_internal {
// Platform half: raise once above other windows without staying topmost.
void RaiseWithoutTopmost(uintptr_t native_handle);
}  // namespace installer_ui_internal
