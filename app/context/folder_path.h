// Folder texts as the installer passes them on: to the setup after " /D=",
// into the registry, and as download candidates.
//
// A setup built by an installer builder takes "/D=" only in one form (absolute,
// with the system's separators) and quietly ignores anything else; a path that
// reaches the system's path limit cannot be created or started. Portable logic
// with two platform calls (folder_path_win.cc / _linux.cc). Any thread.
#pragma once

#include <cstddef>
#include <string>

// Length (in characters) at which the system's file and process calls stop
// taking a path: MAX_PATH (260) on Windows, PATH_MAX on Linux.
size_t PathLengthLimit();

// True when `path` is too long for the system to take.
bool ReachesPathLimit(const std::wstring& path);

// `folder` made absolute against the current folder, with the system's
// separators, doubled separators collapsed, "." and ".." resolved and no
// trailing separator (except for a root). Empty for an empty `folder` or when
// the current folder is unknown.
std::wstring AbsoluteFolder(const std::wstring& folder);

// The install folder in the form it is passed to the setup and recorded, or a
// user-facing reason why it cannot be used.
struct InstallFolderChoice {
  std::wstring folder;   // absolute form; empty when refused
  std::wstring problem;  // empty when usable
  bool ok() const { return problem.empty(); }
};

// Refuses an empty folder and one whose product file would reach the path limit.
InstallFolderChoice CheckInstallFolder(const std::wstring& folder);

inline constexpr wchar_t kNoInstallFolderText[] = L"Please choose a folder to install LumaCast into.";
inline constexpr wchar_t kInstallFolderTooLongText[] =
    L"The folder path is too long. Please choose a folder with a shorter path.";

namespace folder_path_internal {
// The platform halves.
// `folder` made absolute by the system's rules (Windows: GetFullPathNameW,
// which also turns '/' into '\\'); empty on failure.
std::wstring SystemAbsolutePath(const std::wstring& folder);
// Collapses doubled separators, resolves "." and "..", drops a trailing
// separator; `path` must be absolute with `separator` as its separator.
std::wstring TidyAbsolutePath(const std::wstring& path, wchar_t separator);
}  // namespace folder_path_internal
