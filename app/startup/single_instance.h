// The single-instance guard: one named lock per machine session, taken by the
// first copy of the installer and held for the life of its process.
//
// A second copy finds the lock taken and asks the user (through a
// SystemPrompt) to close the first copy and "Try Again", or to "Cancel". Used
// on the UI thread during start-up.
//
// Windows: a named mutex created already owned. Linux: an flock() on
// "<name>.lock" in the user's private runtime folder ($XDG_RUNTIME_DIR, or one
// of the user's own in the temporary folder), which also holds the holder's
// process id as text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SystemPrompt;

constexpr wchar_t kSingleInstanceName[] = L"ILumaCastInstaller";
constexpr wchar_t kSingleInstanceCaption[] = L"Installation Tips";

// The prompt's text, with the product name filled in.
std::wstring SingleInstancePromptText();

class InstanceLock {
 public:
  // Takes the lock `name`. Null when another holder (another process, or
  // another InstanceLock in this one) has it, or when it cannot be made: both
  // count as "another copy is running".
  static std::unique_ptr<InstanceLock> TryAcquire(const std::wstring& name);

  ~InstanceLock();  // releases the lock
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  explicit InstanceLock(intptr_t handle) : handle_(handle) {}
  intptr_t handle_;  // HANDLE on Windows, file descriptor on Linux
};

// Tries the lock until it is free, asking `prompt` between tries. Returns the
// lock, or null when the user answered anything but "Try Again".
std::unique_ptr<InstanceLock> AcquireSingleInstance(const std::wstring& name, SystemPrompt* prompt);
