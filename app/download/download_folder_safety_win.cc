#include "app/download/download_folder_safety.h"

#include <windows.h>

bool IsSafeDownloadFolderHandle(intptr_t native_handle) {
  (void)native_handle;
  return true;
}

bool IsSafeDownloadFolder(const std::wstring& folder) {
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
