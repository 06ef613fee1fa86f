// Header checks that tell a real executable from an error page or a truncated
// download. Pure functions over a reader, so the same checks run against an
// open file handle in the product and against byte buffers in tests.
//
// Windows packages must carry the "MZ" magic and, at the offset stored at byte
// 60, the "PE\0\0" signature. Linux packages are ELF programs: the magic is the
// first two bytes of "\x7fELF" and the signature the whole four-byte ident,
// reported as 0 when the program header table lies past the end of the file
// (the ELF counterpart of a PE offset pointing outside the file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Reads up to `size` bytes at `offset` into `out`; returns how many arrived.
using ReadAtFunction = std::function<size_t(uint64_t offset, void* out, size_t size)>;

// What a header check saw. `magic` is the 16-bit value at offset 0 (0 when the
// first 64 bytes could not be read); `signature` is the 32-bit signature word
// (0 when it lies outside the file). `signature_read` is false when the check
// stopped before looking for the signature.
struct ExecutableHeader {
  uint16_t magic = 0;
  uint32_t signature = 0;
  bool signature_read = false;
  bool valid = false;
};

inline constexpr uint16_t kMzMagic = 0x5A4D;          // "MZ"
inline constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr uint16_t kElfMagic = 0x457F;         // "\x7f" "E"
inline constexpr uint32_t kElfSignature = 0x464C457F; // "\x7f" "ELF"

// The code of a body that is no program of this system (an error page, a
// file too small to be the package, the other system's package):
// ERROR_BAD_EXE_FORMAT as an HRESULT.
inline constexpr int32_t kNotAProgram = static_cast<int32_t>(0x800700C1);

ExecutableHeader CheckPeHeader(int64_t file_size, const ReadAtFunction& read_at);
ExecutableHeader CheckElfHeader(int64_t file_size, const ReadAtFunction& read_at);

// The check for the packages this build installs: PE on Windows, ELF on Linux.
ExecutableHeader CheckNativeExecutableHeader(int64_t file_size, const ReadAtFunction& read_at);
