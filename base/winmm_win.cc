#include "base/winmm_win.h"

#include <string>

namespace nbase::internal {
namespace {

HMODULE LoadWinmm() {
  HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (winmm == nullptr) {  // systems without the search flags reject them
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      winmm = LoadLibraryW((std::wstring(folder, length) + L"\\winmm.dll").c_str());
  }
  return winmm;
}

}  // namespace

FARPROC WinmmProcedure(const char* name) {
  static const HMODULE winmm = LoadWinmm();
  return winmm != nullptr ? GetProcAddress(winmm, name) : nullptr;
}

}  // namespace nbase::internal
