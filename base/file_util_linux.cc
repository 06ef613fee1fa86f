#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_util.h"
#include "base/utf.h"

namespace nbase {

std::string NativePath(const std::wstring& path) { return WideToUTF8(path); }

bool internal::CreateOneDirectory(const std::wstring& path) {
  std::string native = NativePath(path);
  return !native.empty() && mkdir(native.c_str(), 0755) == 0;
}

int64_t FileSize64(const std::wstring& path) {
  std::string native = NativePath(path);
  struct stat info {};
  if (native.empty() || stat(native.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool PathExists(const std::wstring& path) {
  std::string native = NativePath(path);
  struct stat info {};
  return !native.empty() && stat(native.c_str(), &info) == 0;
}

bool RemoveFile(const std::wstring& path) {
  std::string native = NativePath(path);
  return !native.empty() && (unlink(native.c_str()) == 0 || errno == ENOENT);
}

bool DirectoryExists(const std::wstring& path) {
  std::string native = NativePath(path);
  struct stat info {};
  return !native.empty() && stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace nbase
