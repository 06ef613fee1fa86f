#include "base/utf.h"

#include <cstdint>

namespace nbase {
namespace {

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void AppendWide(std::wstring* out, uint32_t c) {
  if (kWideIsUtf16 && c >= 0x10000) {
    c -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out->push_back(static_cast<wchar_t>(c));
  }
}

void AppendUtf8(std::string* out, uint32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::wstring UTF8ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint32_t lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    size_t length;
    uint32_t c;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
      return std::wstring();  // stray continuation byte or invalid lead
    }
    if (utf8.size() - i < length) return std::wstring();  // truncated
    for (size_t k = 1; k < length; ++k) {
      uint32_t b = static_cast<unsigned char>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) return std::wstring();
      c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || IsSurrogate(c)) return std::wstring();
    AppendWide(&out, c);
    i += length;
  }
  return out;
}

std::string WideToUTF8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(wide[i]);
    if (kWideIsUtf16) {
      c &= 0xFFFF;
      if (c >= 0xD800 && c <= 0xDBFF) {
        if (i + 1 >= wide.size()) return std::string();  // ends inside a pair
        uint32_t low = static_cast<uint32_t>(wide[i + 1]) & 0xFFFF;
        if (low < 0xDC00 || low > 0xDFFF) return std::string();
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else if (IsSurrogate(c)) {
        return std::string();  // lone low surrogate
      }
    } else if (c > 0x10FFFF || IsSurrogate(c)) {
      return std::string();
    }
    AppendUtf8(&out, c);
  }
  return out;
}

}  // namespace nbase
