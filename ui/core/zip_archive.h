// ZipArchive: read-only access to a zip archive held in memory (the theme).
// Entries are found by name ignoring ASCII case. Reading is guarded against
// hostile archives: an entry whose declared size exceeds kMaxEntryBytes is
// refused before anything is allocated, the extracted length must equal the
// declared size and the CRC must match; anything else is an error with a
// clear reason, never a partial result.
//
// UI thread only (one archive handle, not shared).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class ZipArchive {
 public:
  // The same cap as layout files read from disk.
  static constexpr uint64_t kMaxEntryBytes = uint64_t{4} << 20;
  // Entry names longer than this (UTF-8 bytes) are not looked up.
  static constexpr size_t kMaxNameBytes = 260;

  enum class Status {
    kOk,
    kNotOpen,        // no archive
    kNotFound,       // no entry of that name (or an empty name)
    kNameTooLong,    // name over kMaxNameBytes
    kTooLarge,       // declared size over kMaxEntryBytes
    kEncrypted,      // needs a password the archive was not opened with
    kCorrupt,        // bad header, inflate error, length or CRC mismatch
  };

  ZipArchive();
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Closes any open archive, then opens `bytes` (kept by the archive).
  // `password` is used for encrypted entries (the theme has none). False when
  // the bytes are not a zip archive.
  bool OpenFromMemory(std::vector<uint8_t> bytes, std::string_view password = {});
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

  // The uncompressed bytes of the entry `name` (UTF-8, '/' separators),
  // compared ignoring ASCII case. `out` is cleared on every failure.
  Status ReadEntry(std::string_view name, std::string* out);

  static const char* StatusText(Status status);

 private:
  std::vector<uint8_t> bytes_;
  std::string password_;
  void* handle_ = nullptr;  // unzFile
  // The read position minizip works with (zip_archive.cc).
  void* cursor_ = nullptr;
};

}  // namespace ui
