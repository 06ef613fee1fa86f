// File-system helpers over wide paths. On Windows paths are UTF-16 and use
// backslashes (forward slashes are accepted too); on Linux they are UTF-32 and
// become UTF-8 bytes for the system (`NativePath`). Any thread.
#ifndef BASE_FILE_UTIL_H_
#define BASE_FILE_UTIL_H_

#include <cstdint>
#include <string>

namespace nbase {

#if defined(_WIN32)
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// Creates every missing folder of `path`, from the root down. An existing
// folder counts as created; false when a component cannot be created (or is a
// file).
bool CreateDirectoryRecursive(const std::wstring& path);

// Size of the file in bytes; -1 when it is missing (or a folder).
int64_t FileSize64(const std::wstring& path);

bool PathExists(const std::wstring& path);

// Deletes the file at `path` (never a folder); true when it is gone
// afterwards, including when it never existed.
bool RemoveFile(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

#if !defined(_WIN32)
// The UTF-8 bytes of `path`, as the system takes them.
std::string NativePath(const std::wstring& path);
#endif

namespace internal {
// Creates one folder whose parent exists (file_util_win.cc / _linux.cc).
bool CreateOneDirectory(const std::wstring& path);
}  // namespace internal

}  // namespace nbase

#endif  // BASE_FILE_UTIL_H_
