// printf-style formatting into std::string / std::wstring.
//
// Formats into a 1024-character buffer first and doubles it (2048, 4096, ...)
// up to 33,554,432 characters when the result does not fit; if it still does
// not fit, or the format fails, nothing is appended. In wide formats use %ls
// for wide string arguments (on both platforms). Any thread.
#ifndef BASE_STRING_UTIL_H_
#define BASE_STRING_UTIL_H_

#include <string>

namespace nbase {

std::wstring StringPrintf(const wchar_t* format, ...);
std::string StringPrintf(const char* format, ...);
void StringAppendF(std::wstring* out, const wchar_t* format, ...);
void StringAppendF(std::string* out, const char* format, ...);

// Largest buffer the formatting helpers try, in characters (with the
// terminating null).
inline constexpr size_t kMaxFormatBuffer = 33554432;

}  // namespace nbase

#endif  // BASE_STRING_UTIL_H_
