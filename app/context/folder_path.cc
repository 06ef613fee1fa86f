#include "app/context/folder_path.h"

#include <vector>

#include "app/context/installer_context.h"
#include "base/file_util.h"

namespace folder_path_internal {

std::wstring TidyAbsolutePath(const std::wstring& path, wchar_t separator) {
  // The part that ".." never climbs above: "/" on Linux; "C:\" or the
  // "\\server\share\" of a network path on Windows.
  size_t root_end = 0;
  if (separator == L'/') {
    root_end = 1;
  } else if (path.size() >= 2 && path[1] == L':') {
    root_end = path.size() > 2 ? 3 : 2;
  } else if (path.compare(0, 2, L"\\\\") == 0) {
    size_t server_end = path.find(separator, 2);
    size_t share_end = server_end == std::wstring::npos ? std::wstring::npos : path.find(separator, server_end + 1);
    root_end = share_end == std::wstring::npos ? path.size() : share_end + 1;
  }
  std::wstring root = path.substr(0, root_end);
  if (!root.empty() && root.back() != separator && root_end < path.size()) root += separator;

  std::vector<std::wstring> parts;
  size_t begin = root_end;
  while (begin <= path.size()) {
    size_t end = path.find(separator, begin);
    if (end == std::wstring::npos) end = path.size();
    std::wstring part = path.substr(begin, end - begin);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    begin = end + 1;
  }
  std::wstring tidy = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) tidy += separator;
    tidy += parts[i];
  }
  return tidy;
}

}  // namespace folder_path_internal

bool ReachesPathLimit(const std::wstring& path) { return path.size() >= PathLengthLimit(); }

std::wstring AbsoluteFolder(const std::wstring& folder) {
  if (folder.empty()) return std::wstring();
  const std::wstring absolute = folder_path_internal::SystemAbsolutePath(folder);
  if (absolute.empty()) return std::wstring();
  return folder_path_internal::TidyAbsolutePath(absolute, nbase::kPathSeparator);
}

InstallFolderChoice CheckInstallFolder(const std::wstring& folder) {
  InstallFolderChoice choice;
  const std::wstring absolute = AbsoluteFolder(folder);
  if (absolute.empty()) {
    choice.problem = kNoInstallFolderText;
  } else if (ReachesPathLimit(ProductExecutablePath(absolute))) {
    // The setup would install, but nothing could start the product.
    choice.problem = kInstallFolderTooLongText;
  } else {
    choice.folder = absolute;
  }
  return choice;
}
