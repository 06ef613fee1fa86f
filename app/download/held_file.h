// HeldFile: a verified file kept open so nobody can swap it before it runs.
//
// The downloaded setup package is checked and then started; between the two
// the installer may wait for the user (a running product, a question box).
// Holding the file closes that window: on Windows it is opened with read
// sharing only, so no one can write, rename or delete it while the handle
// lives; on Linux the checks read through the descriptor and the program is
// later started from the same descriptor, so a replaced path does not matter.
//
// Opened on any thread; reads use explicit offsets and never move a shared file
// position, so the signature check may read through `native_handle()` too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

class HeldFile {
 public:
  // Opens `path` for reading; nullptr when it cannot be opened.
  static std::unique_ptr<HeldFile> Open(const std::wstring& path);
  ~HeldFile();

  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Length in bytes, -1 on failure.
  int64_t Size() const;
  // Reads up to `size` bytes at `offset`; returns how many arrived.
  size_t ReadAt(uint64_t offset, void* out, size_t size) const;
  // The HANDLE on Windows, the descriptor on Linux.
  intptr_t native_handle() const { return handle_; }
  const std::wstring& path() const { return path_; }

 private:
  HeldFile(std::wstring path, intptr_t handle) : path_(std::move(path)), handle_(handle) {}

  std::wstring path_;
  intptr_t handle_;
};
