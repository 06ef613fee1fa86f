// Test helper: opens a file the way the installer holds a downloaded package
// (read-only, others may only read) and hands out its native handle.
#pragma once

#include <cstdint>
#include <string>

class HeldHandle {
 public:
  explicit HeldHandle(const std::wstring& path);
  ~HeldHandle();
  HeldHandle(const HeldHandle&) = delete;
  HeldHandle& operator=(const HeldHandle&) = delete;

  bool valid() const;
  intptr_t get() const { return handle_; }

 private:
  intptr_t handle_;
};
