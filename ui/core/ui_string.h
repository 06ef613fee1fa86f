// The toolkit's text type: UTF-16 on every platform, so limits counted in
// UTF-16 units (names, attribute values, paths) mean the same everywhere.
// Conversions are strict: invalid input gives an empty string.
#pragma once

#include <string>
#include <string_view>

namespace ui {

using String = std::u16string;
using StringView = std::u16string_view;

String FromUTF8(std::string_view utf8);
std::string ToUTF8(StringView text);

// ASCII-only case folding, as the toolkit compares names and file paths.
bool EqualsIgnoreAsciiCase(StringView a, StringView b);
String ToLowerAscii(StringView text);

// A literal ASCII/UTF-8 string as String (tests and fixed names).
inline String U(std::string_view utf8) { return FromUTF8(utf8); }

}  // namespace ui
