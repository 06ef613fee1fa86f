// Strict conversions between UTF-8 and wide strings (UTF-16 on Windows, UTF-32
// on Linux). Invalid input (overlong forms, surrogates, values above U+10FFFF,
// lone UTF-16 surrogates) or input that ends inside a sequence gives an empty
// string. Any thread.
#ifndef BASE_UTF_H_
#define BASE_UTF_H_

#include <string>
#include <string_view>

namespace nbase {

std::wstring UTF8ToWide(std::string_view utf8);
std::string WideToUTF8(std::wstring_view wide);

}  // namespace nbase

#endif  // BASE_UTF_H_
