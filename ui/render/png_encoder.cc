// EncodePng: a small PNG writer over zlib for back-buffer dumps (layout tool,
// golden tests). One IDAT chunk, filter 0, straight (not premultiplied) RGBA.
#include <zlib.h>

#include <vector>

#include "ui/render/image.h"

namespace ui {
namespace {

void PutU32(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v >> 24));
  out->push_back(static_cast<char>(v >> 16));
  out->push_back(static_cast<char>(v >> 8));
  out->push_back(static_cast<char>(v));
}

void PutChunk(std::string* out, const char type[4], const uint8_t* data, size_t size) {
  PutU32(out, static_cast<uint32_t>(size));
  size_t type_at = out->size();
  out->append(type, 4);
  if (size) out->append(reinterpret_cast<const char*>(data), size);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out->data() + type_at), 4 + size);
  PutU32(out, static_cast<uint32_t>(crc));  // over type and data
}

}  // namespace

bool EncodePng(const uint8_t* bgra, int width, int height, std::string* out) {
  out->clear();
  if (!bgra || !IsValidRenderTargetSize(width, height)) return false;
  size_t row = static_cast<size_t>(width) * 4 + 1;
  std::vector<uint8_t> raw(row * height);
  for (int y = 0; y < height; ++y) {
    uint8_t* dst = &raw[row * y];
    *dst++ = 0;  // filter: none
    const uint8_t* src = bgra + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, src += 4) {
      uint8_t a = src[3];
      auto straight = [a](uint8_t c) -> uint8_t {
        if (a == 0) return 0;
        int v = (c * 255 + a / 2) / a;
        return static_cast<uint8_t>(v > 255 ? 255 : v);
      };
      *dst++ = straight(src[2]);
      *dst++ = straight(src[1]);
      *dst++ = straight(src[0]);
      *dst++ = a;
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
    return false;
  }
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out->assign(reinterpret_cast<const char*>(kSignature), 8);
  uint8_t header[13] = {static_cast<uint8_t>(width >> 24), static_cast<uint8_t>(width >> 16),
                        static_cast<uint8_t>(width >> 8),  static_cast<uint8_t>(width),
                        static_cast<uint8_t>(height >> 24), static_cast<uint8_t>(height >> 16),
                        static_cast<uint8_t>(height >> 8),  static_cast<uint8_t>(height),
                        8, 6, 0, 0, 0};  // 8-bit RGBA, deflate, no filter choice, no interlace
  PutChunk(out, "IHDR", header, sizeof header);
  PutChunk(out, "IDAT", packed.data(), packed_size);
  PutChunk(out, "IEND", nullptr, 0);
  return true;
}

}  // namespace ui
