#include <windows.h>

#include <string>

#include "base/time.h"

namespace nbase::internal {
namespace {

using TickFunction = DWORD(WINAPI*)();

// winmm is not one of the DLLs Windows pins as known DLLs, so it is never
// import-linked (a planted copy beside the program would win); timeGetTime is
// looked up once, from the system folder. GetTickCount counts the same
// milliseconds, only more coarsely, if winmm cannot be had.
TickFunction LookUpTimeGetTime() {
  HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (winmm == nullptr) {  // systems without the search flags reject them
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      winmm = LoadLibraryW((std::wstring(folder, length) + L"\\winmm.dll").c_str());
  }
  FARPROC found = winmm != nullptr ? GetProcAddress(winmm, "timeGetTime") : nullptr;
  return found != nullptr ? reinterpret_cast<TickFunction>(reinterpret_cast<void*>(found)) : &GetTickCount;
}

}  // namespace

uint32_t SystemTicks() {
  static const TickFunction ticks = LookUpTimeGetTime();
  return ticks();
}


}  // namespace nbase::internal

namespace nbase {

std::tm LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts = {};
  localtime_s(&parts, &now);
  return parts;
}

}  // namespace nbase
