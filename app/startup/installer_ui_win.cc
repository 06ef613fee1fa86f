#include "app/startup/installer_ui.h"

#include <windows.h>

namespace installer_ui_internal {

void RaiseWithoutTopmost(uintptr_t native_handle) {
  HWND window = reinterpret_cast<HWND>(native_handle);
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace installer_ui_internal
