#include "base/file_util.h"

#include <vector>

namespace nbase {
namespace {

constexpr bool kBackslashPaths = kPathSeparator == L'\\';

bool IsSeparator(wchar_t c) { return c == L'/' || (kBackslashPaths && c == L'\\'); }

// Length of the part of `path` that is never created: "C:\", "\\server\share\"
// or "/"; 0 for a relative path.
size_t RootLength(const std::wstring& path) {
  if (kBackslashPaths) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
      size_t i = 2;
      for (int component = 0; component < 2; ++component) {  // server, share
        while (i < path.size() && !IsSeparator(path[i])) ++i;
        if (i < path.size()) ++i;
      }
      return i;
    }
    if (path.size() >= 2 && path[1] == L':') return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  }
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

}  // namespace

bool CreateDirectoryRecursive(const std::wstring& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;

  std::vector<std::wstring> components;  // each prefix ending at a separator, root first
  size_t root = RootLength(path);
  for (size_t i = root; i <= path.size(); ++i) {
    bool at_end = i == path.size() || IsSeparator(path[i]);
    if (at_end && i > root && !IsSeparator(path[i - 1])) components.push_back(path.substr(0, i));
  }
  for (const std::wstring& prefix : components) {
    if (DirectoryExists(prefix)) continue;
    // Another process may create it in between; that still counts.
    if (!internal::CreateOneDirectory(prefix) && !DirectoryExists(prefix)) return false;
  }
  return !components.empty();
}

}  // namespace nbase
