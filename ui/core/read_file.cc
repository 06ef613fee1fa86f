#include "ui/core/read_file.h"

namespace ui {

ReadFileResult ReadWholeFile(const String& path, int64_t max_size, std::string* bytes) {
  bytes->clear();
  std::FILE* file = file_internal::OpenForRead(path);
  if (!file) return ReadFileResult::kOpenFailed;
  ReadFileResult result = ReadFileResult::kOk;
  int64_t size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    result = ReadFileResult::kShortRead;
  } else if (size == 0) {
    result = ReadFileResult::kEmpty;
  } else if (size > max_size) {
    result = ReadFileResult::kTooLarge;
  } else {
    bytes->resize(static_cast<size_t>(size));
    size_t got = std::fread(bytes->data(), 1, bytes->size(), file);
    if (got != bytes->size()) {
      bytes->clear();
      result = ReadFileResult::kShortRead;
    }
  }
  std::fclose(file);
  return result;
}

bool IsAbsolutePath(StringView path) {
  if (path.empty()) return false;
  if (path[0] == u'/' || path[0] == u'\\') return true;
  return path.size() >= 2 && path[1] == u':' &&
         ((path[0] >= u'a' && path[0] <= u'z') || (path[0] >= u'A' && path[0] <= u'Z'));
}

}  // namespace ui
