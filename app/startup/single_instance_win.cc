#include "app/startup/single_instance.h"

#include <windows.h>

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::wstring& name) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
  if (!mutex) return nullptr;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return nullptr;
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(reinterpret_cast<intptr_t>(mutex)));
}

InstanceLock::~InstanceLock() {
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}
