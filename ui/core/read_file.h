// Reads a whole file into memory with a size cap (layouts and theme files).
// Paths are the toolkit's UTF-16 text on every platform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "ui/core/ui_string.h"

namespace ui {

enum class ReadFileResult { kOk, kOpenFailed, kEmpty, kTooLarge, kShortRead };

// `bytes` receives the whole file when the result is kOk; a file of exactly
// `max_size` bytes is read, one byte more is kTooLarge.
ReadFileResult ReadWholeFile(const String& path, int64_t max_size, std::string* bytes);

// True for "/x", "\x" and "C:..." paths.
bool IsAbsolutePath(StringView path);

namespace file_internal {
// fopen for reading in binary mode (read_file_win.cc / read_file_linux.cc).
std::FILE* OpenForRead(const String& path);
}  // namespace file_internal

}  // namespace ui
