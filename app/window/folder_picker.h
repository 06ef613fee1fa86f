// The install-folder picker behind "Browse".
//
// Windows: the shell's folder browser (modal), titled "Select install path",
// opening at the program-files folder. Linux: the desktop's own folder
// chooser when one is installed (zenity, else kdialog; started directly, no
// shell, with the same title and start folder) while the window ignores
// input; otherwise the installer's own small box with an editable path
// field. `done` runs on the UI thread with the chosen folder only when the
// user confirmed one; Cancel calls nothing. UI thread.
#pragma once

#include <functional>
#include <string>

namespace ui {
class WindowImplBase;
}

using FolderChosen = std::function<void(const std::wstring& folder)>;

void PickFolder(ui::WindowImplBase* owner, const std::wstring& start_folder, FolderChosen done);

// The install folder for a chosen folder: the folder followed by the product
// sub-path "Brightvale\LumaCast" (with the system's separator). A root keeps
// its own trailing separator, so two separators meet there, as the shell
// path of a drive root gives.
std::wstring InstallDirForChosenFolder(const std::wstring& chosen);

// The installer's own folder box (any platform; Linux uses it when no desktop
// chooser is installed). An empty or blank answer counts as Cancel.
void ShowFolderBox(ui::WindowImplBase* owner, const std::wstring& start_folder, FolderChosen done);

inline constexpr wchar_t kFolderPickerTitle[] = L"Select install path";
