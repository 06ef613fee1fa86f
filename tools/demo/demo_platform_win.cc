#include "demo_platform.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

// GUI subsystem entry point: a console program started hidden from another
// GUI program would get a console window of its own.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return DemoMain(); }

namespace {

std::string ToUtf8(const wchar_t* text, int length = -1) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
  if (length < 0)
    out.pop_back();  // the terminator was counted
  return out;
}

std::wstring ToWide(const std::string& text) {
  int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
  if (chars > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), chars);
  return out;
}

}  // namespace

namespace demo {

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (list == nullptr)
    return args;
  for (int i = 0; i < count; ++i)
    args.push_back(ToUtf8(list[i]));
  LocalFree(list);
  return args;
}

std::string CommandLine() { return ToUtf8(GetCommandLineW()); }

std::string Env(const char* name) {
  std::wstring wide_name = ToWide(name);
  wchar_t buffer[32768];
  DWORD length = GetEnvironmentVariableW(wide_name.c_str(), buffer, 32768);
  if (length == 0 || length >= 32768)
    return {};
  return ToUtf8(buffer, static_cast<int>(length));
}

std::string OwnPath() {
  wchar_t buffer[32768];
  DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
  return ToUtf8(buffer, static_cast<int>(length));
}

FILE* OpenFile(const std::string& path, const char* mode) { return _wfopen(ToWide(path).c_str(), ToWide(mode).c_str()); }

bool StoreFile(const std::string& path, const void* data, size_t size, bool /*executable*/) {
  const std::wstring target = ToWide(path);
  const std::wstring temporary = target + L".part";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  const char* bytes = static_cast<const char*>(data);
  bool ok = true;
  while (ok && size > 0) {
    DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
    DWORD put = 0;
    ok = WriteFile(file, bytes, chunk, &put, nullptr) && put == chunk;
    bytes += put;
    size -= put;
  }
  ok = CloseHandle(file) && ok;
  // A running product keeps its file locked: replacing it fails, as it would
  // for the real setup.
  if (!ok || !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool CreateFolders(const std::string& path) {
  const std::wstring wide = ToWide(path);
  // Skip the root ("C:\" or "\\server\share\") rather than trying to create it.
  for (size_t i = 1; i <= wide.size(); ++i) {
    if (i == wide.size() || wide[i] == L'\\' || wide[i] == L'/')
      CreateDirectoryW(wide.substr(0, i).c_str(), nullptr);  // existing parents are fine
  }
  DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SleepMs(int ms) {
  if (ms > 0)
    Sleep(static_cast<DWORD>(ms));
}

}  // namespace demo
