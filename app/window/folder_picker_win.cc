#include "app/window/folder_picker.h"

#include <windows.h>
#include <shlobj.h>

#include "app/context/installer_context.h"
#include "ui/core/native_window.h"
#include "ui/core/window_impl_base.h"

namespace {

// Pre-selects the program-files folder once the dialog is up.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED)
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

void PickFolder(ui::WindowImplBase* owner, const std::wstring&, FolderChosen done) {
  // The shell's own start folder: the 32-bit program-files folder.
  const std::wstring start = SpecialFolderPath(kFolderProgramFilesX86);
  BROWSEINFOW info{};
  info.hwndOwner = owner && owner->Native() ? reinterpret_cast<HWND>(owner->Native()->Handle()) : nullptr;
  info.pidlRoot = nullptr;
  info.lpszTitle = kFolderPickerTitle;
  info.ulFlags = 0x151;  // file-system folders only, edit box, new dialog style, usage hint
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  // The new dialog style needs COM on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  LPITEMIDLIST item = SHBrowseForFolderW(&info);
  if (SUCCEEDED(com)) CoUninitialize();
  if (!item) return;  // Cancel
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(item, path);
  CoTaskMemFree(item);
  if (ok && done) done(path);
}
