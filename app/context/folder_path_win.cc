#include "app/context/folder_path.h"

#include <windows.h>

size_t PathLengthLimit() { return MAX_PATH; }

namespace folder_path_internal {

std::wstring SystemAbsolutePath(const std::wstring& folder) {
  DWORD needed = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring absolute(needed, L'\0');
  DWORD length = ::GetFullPathNameW(folder.c_str(), needed, absolute.data(), nullptr);
  if (length == 0 || length >= needed) return std::wstring();
  absolute.resize(length);
  return absolute;
}

}  // namespace folder_path_internal
