#include "ui/core/zip_archive.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

// minizip reads the archive through these callbacks; the "file" is the byte
// vector the archive keeps.
struct MemoryCursor {
  const std::vector<uint8_t>* bytes = nullptr;
  uint64_t position = 0;
};

voidpf ZCALLBACK MemoryOpen(voidpf opaque, const void* /*name*/, int mode) {
  // Read-only: refuse anything that would write.
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  return opaque;
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* c = static_cast<MemoryCursor*>(stream);
  uint64_t total = c->bytes->size();
  if (c->position >= total) return 0;
  uint64_t n = std::min<uint64_t>(size, total - c->position);
  std::memcpy(buffer, c->bytes->data() + c->position, static_cast<size_t>(n));
  c->position += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK MemoryTell(voidpf, voidpf stream) {
  return static_cast<MemoryCursor*>(stream)->position;
}

long ZCALLBACK MemorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* c = static_cast<MemoryCursor*>(stream);
  uint64_t total = c->bytes->size();
  uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = c->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = total; break;
    default: return -1;
  }
  if (offset > total || base + offset > total) return -1;
  c->position = base + offset;
  return 0;
}

int ZCALLBACK MemoryClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemoryError(voidpf, voidpf) { return 0; }

}  // namespace

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive() { Close(); }

bool ZipArchive::OpenFromMemory(std::vector<uint8_t> bytes, std::string_view password) {
  Close();
  bytes_ = std::move(bytes);
  password_ = std::string(password);
  auto* cursor = new MemoryCursor;
  cursor->bytes = &bytes_;
  cursor_ = cursor;
  zlib_filefunc64_def functions{};
  functions.zopen64_file = MemoryOpen;
  functions.zread_file = MemoryRead;
  functions.zwrite_file = MemoryWrite;
  functions.ztell64_file = MemoryTell;
  functions.zseek64_file = MemorySeek;
  functions.zclose_file = MemoryClose;
  functions.zerror_file = MemoryError;
  functions.opaque = cursor;
  handle_ = unzOpen2_64("theme", &functions);
  if (!handle_) {
    Close();
    return false;
  }
  return true;
}

void ZipArchive::Close() {
  if (handle_) unzClose(static_cast<unzFile>(handle_));
  handle_ = nullptr;
  delete static_cast<MemoryCursor*>(cursor_);
  cursor_ = nullptr;
  bytes_.clear();
  bytes_.shrink_to_fit();
  password_.clear();
}

ZipArchive::Status ZipArchive::ReadEntry(std::string_view name, std::string* out) {
  out->clear();
  if (!handle_) return Status::kNotOpen;
  if (name.empty()) return Status::kNotFound;
  if (name.size() > kMaxNameBytes) return Status::kNameTooLong;
  unzFile zip = static_cast<unzFile>(handle_);
  std::string zname(name);
  if (zname.find('\0') != std::string::npos) return Status::kNotFound;
  if (unzLocateFile(zip, zname.c_str(), 2 /* ignore case */) != UNZ_OK) return Status::kNotFound;

  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return Status::kCorrupt;
  }
  if (info.uncompressed_size > kMaxEntryBytes) return Status::kTooLarge;
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return Status::kCorrupt;
  bool encrypted = (info.flag & 1) != 0;
  if (encrypted && password_.empty()) return Status::kEncrypted;
  int rc = encrypted ? unzOpenCurrentFilePassword(zip, password_.c_str()) : unzOpenCurrentFile(zip);
  if (rc != UNZ_OK) return encrypted ? Status::kEncrypted : Status::kCorrupt;

  const size_t expected = static_cast<size_t>(info.uncompressed_size);
  std::string data(expected, '\0');
  size_t got = 0;
  Status status = Status::kOk;
  // Each round reads at least one byte or ends the loop, and never more than
  // `expected` bytes are asked for.
  while (got < expected) {
    unsigned chunk = static_cast<unsigned>(std::min<size_t>(expected - got, 1u << 16));
    int n = unzReadCurrentFile(zip, data.data() + got, chunk);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got != expected) {
    status = Status::kCorrupt;
  } else {
    char extra;
    if (unzReadCurrentFile(zip, &extra, 1) != 0) status = Status::kCorrupt;
  }
  // Checks the CRC when the whole entry was read.
  int close_rc = unzCloseCurrentFile(zip);
  if (status == Status::kOk && close_rc != UNZ_OK) status = Status::kCorrupt;
  if (status == Status::kOk) out->swap(data);
  return status;
}

const char* ZipArchive::StatusText(Status status) {
  switch (status) {
    case Status::kOk: return "ok";
    case Status::kNotOpen: return "no theme archive is open";
    case Status::kNotFound: return "entry not found in the theme archive";
    case Status::kNameTooLong: return "entry name too long";
    case Status::kTooLarge: return "entry larger than 4 MiB";
    case Status::kEncrypted: return "entry is encrypted";
    case Status::kCorrupt: return "entry is corrupt (bad data, length or CRC)";
  }
  return "unknown error";
}

}  // namespace ui
