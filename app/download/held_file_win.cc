#include "app/download/held_file.h"

#include <windows.h>

std::unique_ptr<HeldFile> HeldFile::Open(const std::wstring& path) {
  // Read sharing only: writers, renames and deletes fail while we hold it,
  // while the loader's own read/execute open of the image still succeeds.
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<HeldFile>(new HeldFile(path, reinterpret_cast<intptr_t>(file)));
}

HeldFile::~HeldFile() { ::CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

int64_t HeldFile::Size() const {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(reinterpret_cast<HANDLE>(handle_), &size)) return -1;
  return size.QuadPart;
}

size_t HeldFile::ReadAt(uint64_t offset, void* out, size_t size) const {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD read = 0;
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), out, static_cast<DWORD>(size), &read, &at)) {
    return 0;
  }
  return read;
}
