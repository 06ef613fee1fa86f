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
    if (SHGetPathFromIDListW(items, buffer)) path = buffer;
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
  // The volume is named by the text before the first backslash ("C:").
  size_t separator = folder.find(L'\\');
  if (separator == std::wstring::npos) return false;
  std::wstring root = folder.substr(0, separator) + L"\\";
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return false;
  }
  *freeBytes = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
  return true;
}

namespace installer_context_internal {

std::wstring LastResortDownloadDir() { return L"c:\\Temp"; }

bool CreateAndDeleteFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace installer_context_internal
