#include "app/context/installer_context.h"

#include <windows.h>
#include <shlobj.h>

std::wstring SpecialFolderPath(int csidl) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return std::wstring();
  std::wstring path;
  LPITEMIDLIST items = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items) {
    wchar_t buffer[MAX_PATH] = {};
    // A folder the shell names but that is not there (a redirection to a
    // drive that is gone) counts as unknown, like one it cannot name.
    if (SHGetPathFromIDListW(items, buffer)) {
      const DWORD attributes = GetFileAttributesW(buffer);
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) path = buffer;
    }
    allocator->Free(items);
  }
  allocator->Release();
  return path;
}

std::wstring TempFolderPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH, buffer);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return buffer;
}

bool FreeDiskSpace(const std::wstring& folder, uint64_t* freeBytes) {
  // The folder itself, not its drive letter: a volume mounted in a folder or
  // a redirected profile has space of its own.
  std::wstring path = folder;
  if (path.empty()) return false;
  if (path.back() != L'\\') path += L'\\';
  ULARGE_INTEGER available = {};
  if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return false;
  *freeBytes = available.QuadPart;
  return true;
}

namespace installer_context_internal {

std::wstring LastResortDownloadDir() { return L"c:\\Temp"; }

bool ProgramsCanRunIn(const std::wstring& folder) {
  (void)folder;  // no file system here forbids starting programs
  return true;
}

bool CreateAndDeleteFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace installer_context_internal
