#include "platform/system_library.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {

// The LOAD_LIBRARY_SEARCH_* flags exist exactly where kernel32 exports
// AddDllDirectory; elsewhere LoadLibraryExW rejects them.
bool SearchFlagsSupported() {
  static const bool supported =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
  return supported;
}

// Every DLL the delay-load helper would load goes through the system folder
// instead of the default search order, which starts at the program's folder.
FARPROC WINAPI DelayLoadNotify(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
    return nullptr;
  std::wstring name;
  for (const char* p = info->szDll; *p; ++p)
    name.push_back(static_cast<unsigned char>(*p));  // DLL names are ASCII
  return reinterpret_cast<FARPROC>(LoadSystemLibrary(name.c_str()));
}

}  // namespace

// Declared extern "C" by <delayimp.h>; mingw's delay-load helper calls it.
PfnDliHook __pfnDliNotifyHook2 = DelayLoadNotify;

void HardenDllSearchPath() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return;
  // Without it, at least take the current folder out of the search.
  SetDllDirectoryW(L"");
}

void* LoadSystemLibrary(const wchar_t* name) {
  if (name == nullptr || *name == L'\0')
    return nullptr;
  if (SearchFlagsSupported())
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::wstring path(folder, length);
  path += L'\\';
  path += name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
