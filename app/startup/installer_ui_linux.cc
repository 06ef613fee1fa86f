#include "app/startup/installer_ui.h"

namespace installer_ui_internal {

// Show() maps the window raised and the window manager stacks a new window on
// top; X11 has no topmost flag to toggle, so nothing is left to do.
void RaiseWithoutTopmost(uintptr_t) {}

}  // namespace installer_ui_internal
