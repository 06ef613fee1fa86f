// The C99 printf family on mingw as well (it returns the needed length and
// knows %ls in both widths).
#if defined(_WIN32) && !defined(__USE_MINGW_ANSI_STDIO)
#define __USE_MINGW_ANSI_STDIO 1
#endif

#include "base/string_util.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace nbase {
namespace {

constexpr size_t kFirstFormatBuffer = 1024;

int FormatInto(char* buffer, size_t size, const char* format, va_list args) {
  return vsnprintf(buffer, size, format, args);
}

int FormatInto(wchar_t* buffer, size_t size, const wchar_t* format, va_list args) {
  return vswprintf(buffer, size, format, args);
}

// Narrow formatting reports the needed length; a negative result is an
// encoding error that no buffer size cures. Wide formatting returns -1 when
// the buffer is too small, so there a negative result means "grow".
template <class Char>
void AppendFormatted(std::basic_string<Char>* out, const Char* format, va_list args) {
  if (!out || !format) return;
  constexpr bool kNarrow = sizeof(Char) == 1;
  std::vector<Char> buffer;
  for (size_t size = kFirstFormatBuffer; size <= kMaxFormatBuffer;) {
    buffer.resize(size);
    va_list copy;
    va_copy(copy, args);
    int written = FormatInto(buffer.data(), size, format, copy);
    va_end(copy);
    if (written >= 0 && static_cast<size_t>(written) < size) {
      out->append(buffer.data(), static_cast<size_t>(written));
      return;
    }
    if (written < 0 && kNarrow) return;
    // Double; when the needed length is known, skip the sizes that cannot fit.
    size *= 2;
    while (written >= 0 && size <= static_cast<size_t>(written) && size <= kMaxFormatBuffer) size *= 2;
  }
}

}  // namespace

std::wstring StringPrintf(const wchar_t* format, ...) {
  std::wstring result;
  va_list args;
  va_start(args, format);
  AppendFormatted(&result, format, args);
  va_end(args);
  return result;
}

std::string StringPrintf(const char* format, ...) {
  std::string result;
  va_list args;
  va_start(args, format);
  AppendFormatted(&result, format, args);
  va_end(args);
  return result;
}

void StringAppendF(std::wstring* out, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatted(out, format, args);
  va_end(args);
}

void StringAppendF(std::string* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatted(out, format, args);
  va_end(args);
}

}  // namespace nbase
