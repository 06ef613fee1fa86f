#include "held_handle.h"

#include <windows.h>

HeldHandle::HeldHandle(const std::wstring& path)
    : handle_(reinterpret_cast<intptr_t>(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {}

HeldHandle::~HeldHandle() {
  if (valid())
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool HeldHandle::valid() const { return reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE; }
