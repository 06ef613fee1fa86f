#include "ui/core/read_file.h"

namespace ui::file_internal {

std::FILE* OpenForRead(const String& path) {
  std::string native = ToUTF8(path);
  if (native.empty()) return nullptr;
  return std::fopen(native.c_str(), "rb");
}

}  // namespace ui::file_internal
