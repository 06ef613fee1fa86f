#include "app/download/executable_header.h"

#include <cstring>

namespace {

constexpr size_t kHeaderBytes = 64;

uint16_t Load16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Load32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Load64(const unsigned char* p) {
  return static_cast<uint64_t>(Load32(p)) | (static_cast<uint64_t>(Load32(p + 4)) << 32);
}

// Reads the 32-bit word at `offset`, or 0 when it does not lie wholly inside
// the file. Offsets are 64-bit so a hostile offset near 4 GiB cannot wrap.
uint32_t WordAt(uint64_t offset, int64_t file_size, const ReadAtFunction& read_at) {
  if (file_size < 4 || offset > static_cast<uint64_t>(file_size) - 4) return 0;
  unsigned char word[4];
  if (read_at(offset, word, sizeof(word)) != sizeof(word)) return 0;
  return Load32(word);
}

}  // namespace

ExecutableHeader CheckPeHeader(int64_t file_size, const ReadAtFunction& read_at) {
  ExecutableHeader header;
  unsigned char bytes[kHeaderBytes];
  if (read_at(0, bytes, sizeof(bytes)) != sizeof(bytes)) return header;
  header.magic = Load16(bytes);
  header.signature = WordAt(Load32(bytes + 60), file_size, read_at);
  header.signature_read = true;
  header.valid = header.magic == kMzMagic && header.signature == kPeSignature;
  return header;
}

ExecutableHeader CheckElfHeader(int64_t file_size, const ReadAtFunction& read_at) {
  ExecutableHeader header;
  unsigned char bytes[kHeaderBytes];
  if (read_at(0, bytes, sizeof(bytes)) != sizeof(bytes)) return header;
  header.magic = Load16(bytes);
  header.signature_read = true;
  // e_ident[4] is the class: 1 = 32-bit (e_phoff at 28), 2 = 64-bit (at 32).
  uint64_t table_offset = 0;
  if (bytes[4] == 2) {
    table_offset = Load64(bytes + 32);
  } else if (bytes[4] == 1) {
    table_offset = Load32(bytes + 28);
  } else {
    return header;
  }
  // No program header table inside the file: nothing could run it.
  if (table_offset == 0 || file_size < 4 || table_offset > static_cast<uint64_t>(file_size) - 4) {
    return header;
  }
  header.signature = Load32(bytes);
  header.valid = header.magic == kElfMagic && header.signature == kElfSignature;
  return header;
}

ExecutableHeader CheckNativeExecutableHeader(int64_t file_size, const ReadAtFunction& read_at) {
#if defined(_WIN32)
  return CheckPeHeader(file_size, read_at);
#else
  return CheckElfHeader(file_size, read_at);
#endif
}
