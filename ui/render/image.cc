#include "ui/render/image.h"

#include <cstring>

#include "ui/core/dpi_scale.h"

namespace ui {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// "true" exactly, like every boolean attribute.
bool ParseBool(StringView value) { return value == u"true"; }

// Decimal, optional sign; stops at the first non-digit. Saturates instead of
// overflowing.
int ParseInt(StringView text, size_t* pos) {
  size_t i = *pos;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int64_t value = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    if (value < 100000000) value = value * 10 + (text[i] - u'0');
    ++i;
  }
  *pos = i;
  return static_cast<int>(negative ? -value : value);
}

bool IsDigitAt(StringView text, size_t i) {
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  return i < text.size() && text[i] >= u'0' && text[i] <= u'9';
}

// Calls `item(name, value)` for each name='value' item until the first
// deviation from the grammar.
template <class F>
void ForEachItem(StringView text, F item) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    size_t name_start = i;
    while (i < text.size() && text[i] != u'=' && !IsBlank(text[i])) ++i;
    StringView name = text.substr(name_start, i - name_start);
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != u'=') return;
    ++i;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != u'\'') return;
    size_t value_start = ++i;
    while (i < text.size() && text[i] != u'\'') ++i;
    if (i >= text.size()) return;
    StringView value = text.substr(value_start, i - value_start);
    ++i;
    if (!name.empty()) item(name, value);
    if (i >= text.size()) return;
    if (text[i] != u' ') return;  // exactly one space after each closing quote
    ++i;
    if (i >= text.size() || IsBlank(text[i])) return;
  }
}

}  // namespace

bool IsValidRenderTargetSize(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  if (width > kMaxRenderTargetSide || height > kMaxRenderTargetSide) return false;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 <= kMaxRenderTargetBytes;
}

DecodedImage::~DecodedImage() = default;

const IBitmap* DecodedImage::Frame(int index) const {
  if (index < 0 || index >= FrameCount()) return nullptr;
  return frames[index].get();
}

bool ReadPngSize(const void* data, size_t size, int* width, int* height) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (!p || size < 24 || std::memcmp(p, kSignature, 8) != 0 || std::memcmp(p + 12, "IHDR", 4) != 0) {
    return false;
  }
  auto be32 = [](const uint8_t* q) {
    return (uint32_t{q[0]} << 24) | (uint32_t{q[1]} << 16) | (uint32_t{q[2]} << 8) | q[3];
  };
  uint32_t w = be32(p + 16);
  uint32_t h = be32(p + 20);
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

int FrameIntervalMs(int delay_centiseconds) {
  int ms = delay_centiseconds * 10;
  if (ms <= 28) return 100;
  if (ms <= 48) return 50;
  return ms;
}

bool HasTranslucentPixel(const uint8_t* bgra, int width, int height) {
  if (!bgra || width <= 0 || height <= 0) return false;
  size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) {
    if (bgra[i * 4 + 3] != 255) return true;
  }
  return false;
}

int ParseRectValue(StringView text, UiRect* rect) {
  int* fields[4] = {&rect->left, &rect->top, &rect->right, &rect->bottom};
  size_t pos = 0;
  int read = 0;
  for (; read < 4; ++read) {
    if (!IsDigitAt(text, pos)) break;
    *fields[read] = ParseInt(text, &pos);
    if (read < 3) {
      if (pos >= text.size()) { ++read; break; }
      ++pos;  // exactly one separator character
    }
  }
  return read;
}

bool ImageSpec::HasDest() const {
  return dest.left != -1 && dest.top != -1 && dest.right != -1 && dest.bottom != -1;
}

bool ImageSpec::HasSource() const {
  return source.left != -1 && source.top != -1 && source.right != -1 && source.bottom != -1;
}

void ImageSpec::SetImageString(StringView text) {
  *this = ImageSpec();
  image_string = String(text);
  file = String(text);
  ModifyWith(text);
}

void ImageSpec::ModifyWith(StringView text) {
  bool scale_dest = true;
  ForEachItem(text, [&](StringView name, StringView value) {
    if (value.empty()) return;
    if (name == u"file" || name == u"res") {
      file = String(value);
    } else if (name == u"destscale") {
      scale_dest = ParseBool(value);
    } else if (name == u"dest") {
      UiRect r(-1, -1, -1, -1);
      if (ParseRectValue(value, &r) == 4) {
        if (scale_dest) DpiScale::Get().ScaleRectangle(&r);
        dest = r;
      }
    } else if (name == u"source") {
      UiRect r(-1, -1, -1, -1);
      if (ParseRectValue(value, &r) == 4) source = r;
    } else if (name == u"corner") {
      ParseRectValue(value, &corner);
    } else if (name == u"fade") {
      size_t pos = 0;
      int v = ParseInt(value, &pos);
      fade = v < 0 ? 0 : (v > 255 ? 255 : v);
    } else if (name == u"xtiled") {
      xtiled = ParseBool(value);
    } else if (name == u"ytiled") {
      ytiled = ParseBool(value);
    } else if (name == u"playcount") {
      size_t pos = 0;
      playcount = ParseInt(value, &pos);
    }
  });
}

}  // namespace ui
