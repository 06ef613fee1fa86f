// Builds small zip archives in memory for tests, including broken ones:
// every header field can be overridden after the entry is described.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui_test {

struct ZipEntry {
  std::string name;
  std::string data;
  bool deflate = true;
  // Overrides for hostile archives (-1: the true value).
  int64_t declared_size = -1;
  int64_t crc = -1;
  int method = -1;
  uint16_t flags = 0;
};

inline void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(v & 0xFF);
  out->push_back((v >> 8) & 0xFF);
}
inline void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline std::string RawDeflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::vector<uint8_t> BuildZip(const std::vector<ZipEntry>& entries) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> central;
  for (const ZipEntry& e : entries) {
    std::string packed = e.deflate ? RawDeflate(e.data) : e.data;
    uint32_t crc = e.crc >= 0 ? static_cast<uint32_t>(e.crc)
                              : crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), e.data.size());
    uint32_t size = e.declared_size >= 0 ? static_cast<uint32_t>(e.declared_size)
                                         : static_cast<uint32_t>(e.data.size());
    uint16_t method = e.method >= 0 ? e.method : (e.deflate ? 8 : 0);
    uint32_t offset = static_cast<uint32_t>(out.size());
    auto header = [&](std::vector<uint8_t>* h, bool is_central) {
      Put32(h, is_central ? 0x02014b50 : 0x04034b50);
      if (is_central) Put16(h, 20);
      Put16(h, 20);
      Put16(h, e.flags);
      Put16(h, method);
      Put16(h, 0);
      Put16(h, 0x21);
      Put32(h, crc);
      Put32(h, static_cast<uint32_t>(packed.size()));
      Put32(h, size);
      Put16(h, static_cast<uint32_t>(e.name.size()));
      Put16(h, 0);
      if (is_central) {
        Put16(h, 0);
        Put16(h, 0);
        Put16(h, 0);
        Put32(h, 0);
        Put32(h, offset);
      }
      h->insert(h->end(), e.name.begin(), e.name.end());
    };
    header(&out, false);
    out.insert(out.end(), packed.begin(), packed.end());
    header(&central, true);
  }
  uint32_t central_offset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  Put32(&out, 0x06054b50);
  Put16(&out, 0);
  Put16(&out, 0);
  Put16(&out, static_cast<uint32_t>(entries.size()));
  Put16(&out, static_cast<uint32_t>(entries.size()));
  Put32(&out, static_cast<uint32_t>(central.size()));
  Put32(&out, central_offset);
  Put16(&out, 0);
  return out;
}

}  // namespace ui_test
