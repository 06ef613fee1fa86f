#include "platform/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/utf.h"
#include "platform/xdg_dirs.h"

namespace report {
namespace {

constexpr char kHeader[] = "# LumaCast registry store 1";

std::wstring Lower(std::wstring text) {
  for (auto& c : text) {
    if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
  }
  return text;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return Lower(a) == Lower(b); }

// Trims separators at both ends and collapses runs, so "a\\\\b\\" names "a\\b".
std::wstring NormalizeKey(const std::wstring& key) {
  std::wstring out;
  for (wchar_t c : key) {
    if (c == L'\\' && (out.empty() || out.back() == L'\\')) continue;
    out.push_back(c);
  }
  if (!out.empty() && out.back() == L'\\') out.pop_back();
  return out;
}

void AppendQuoted(std::string* out, const std::wstring& text) {
  std::string utf8 = nbase::WideToUTF8(text);
  out->push_back('"');
  for (unsigned char c : utf8) {
    if (c == '\\' || c == '"') {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\x%02X", c);
      out->append(buf);
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
  out->push_back('"');
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads one quoted string at `*pos`, leaving `*pos` after the closing quote.
bool ReadQuoted(const std::string& line, size_t* pos, std::wstring* out) {
  size_t i = *pos;
  if (i >= line.size() || line[i] != '"') return false;
  std::string bytes;
  for (++i; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      *pos = i + 1;
      *out = nbase::UTF8ToWide(bytes);
      // An invalid sequence converts to empty; only the empty text may do so.
      return out->empty() == bytes.empty();
    }
    if (c != '\\') {
      bytes.push_back(c);
      continue;
    }
    if (++i >= line.size()) return false;
    if (line[i] == '\\' || line[i] == '"') {
      bytes.push_back(line[i]);
    } else if (line[i] == 'x' && i + 2 < line.size() && HexDigit(line[i + 1]) >= 0 &&
               HexDigit(line[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2])));
      i += 2;
    } else {
      return false;
    }
  }
  return false;
}

RegistryStore::Key* FindKey(RegistryStore::Contents* contents, const std::wstring& key) {
  for (auto& k : *contents) {
    if (SameName(k.path, key)) return &k;
  }
  return nullptr;
}

bool IsBelow(const std::wstring& path, const std::wstring& ancestor) {
  return path.size() > ancestor.size() && path[ancestor.size()] == L'\\' &&
         SameName(path.substr(0, ancestor.size()), ancestor);
}

bool ReadWholeFile(int fd, std::string* text) {
  char buf[16384];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text->append(buf, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Holds an exclusive flock() on "<store>.lock" for its lifetime.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing drops the lock
  }
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

RegistryStore::RegistryStore(std::string filePath) : path_(std::move(filePath)) {}

RegistryStore RegistryStore::CurrentUser() {
  return RegistryStore(XdgBaseDir("XDG_CONFIG_HOME", ".config") + "/lumacast/hkcu.reg");
}

RegistryStore RegistryStore::Machine() {
  return RegistryStore(XdgBaseDir("XDG_DATA_HOME", ".local/share") + "/lumacast/hklm.reg");
}

std::string RegistryStore::Serialize(const Contents& contents) {
  std::string out = kHeader;
  out.push_back('\n');
  for (const auto& key : contents) {
    out.append("key ");
    AppendQuoted(&out, key.path);
    out.push_back('\n');
    for (const auto& [name, value] : key.values) {
      out.append("value ");
      AppendQuoted(&out, name);
      out.push_back(' ');
      AppendQuoted(&out, value);
      out.push_back('\n');
    }
  }
  return out;
}

bool RegistryStore::Parse(const std::string& text, Contents* contents) {
  contents->clear();
  size_t start = 0;
  bool sawHeader = false;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) return false;  // a cut-off last line
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!sawHeader) {
      if (line != kHeader) return false;
      sawHeader = true;
      continue;
    }
    size_t pos;
    if (line.rfind("key ", 0) == 0) {
      pos = 4;
      Key key;
      if (!ReadQuoted(line, &pos, &key.path) || pos != line.size()) return false;
      contents->push_back(std::move(key));
    } else if (line.rfind("value ", 0) == 0 && !contents->empty()) {
      pos = 6;
      std::wstring name, value;
      if (!ReadQuoted(line, &pos, &name) || pos >= line.size() || line[pos] != ' ') return false;
      ++pos;
      if (!ReadQuoted(line, &pos, &value) || pos != line.size()) return false;
      contents->back().values.emplace_back(std::move(name), std::move(value));
    } else {
      return false;
    }
  }
  return sawHeader;
}

RegistryStore::LoadResult RegistryStore::Load(Contents* contents) const {
  contents->clear();
  int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kCorrupt;
  std::string text;
  bool ok = ReadWholeFile(fd, &text);
  close(fd);
  if (!ok || !Parse(text, contents)) {
    contents->clear();
    return LoadResult::kCorrupt;
  }
  return LoadResult::kOk;
}

template <class Change>
bool RegistryStore::Modify(Change change) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  FileLock lock(path_ + ".lock");
  if (!lock.held()) return false;

  Contents contents;
  if (Load(&contents) == LoadResult::kCorrupt) {
    // Keep the unreadable file for whoever wants to look at it.
    char stamp[32];
    time_t now = time(nullptr);
    struct tm parts;
    localtime_r(&now, &parts);
    strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &parts);
    std::string aside = path_ + ".corrupt-" + stamp + "-" + std::to_string(getpid());
    if (rename(path_.c_str(), aside.c_str()) != 0) return false;
  }
  if (!change(&contents)) return false;

  std::string temp = path_ + ".tmp-" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, Serialize(contents)) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path_.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool RegistryStore::Read(const std::wstring& key, const std::wstring& name,
                         std::wstring* value) const {
  Contents contents;
  if (Load(&contents) != LoadResult::kOk) return false;
  const Key* k = FindKey(&contents, NormalizeKey(key));
  if (!k) return false;
  for (const auto& [n, v] : k->values) {
    if (SameName(n, name)) {
      *value = v;
      return true;
    }
  }
  return false;
}

bool RegistryStore::Write(const std::wstring& key, const std::wstring& name,
                          const std::wstring& value) {
  std::wstring path = NormalizeKey(key);
  if (path.empty()) return false;
  return Modify([&](Contents* contents) {
    Key* k = FindKey(contents, path);
    if (!k) {
      contents->push_back(Key{path, {}});
      k = &contents->back();
    }
    for (auto& [n, v] : k->values) {
      if (SameName(n, name)) {
        v = value;
        return true;
      }
    }
    k->values.emplace_back(name, value);
    return true;
  });
}

bool RegistryStore::Subkeys(const std::wstring& key, std::vector<std::wstring>* names) const {
  names->clear();
  std::wstring parent = NormalizeKey(key);
  Contents contents;
  if (Load(&contents) != LoadResult::kOk) return false;
  bool exists = FindKey(&contents, parent) != nullptr;
  for (const auto& k : contents) {
    if (!IsBelow(k.path, parent)) continue;
    exists = true;
    std::wstring rest = k.path.substr(parent.size() + 1);
    std::wstring child = rest.substr(0, rest.find(L'\\'));
    bool known = std::any_of(names->begin(), names->end(),
                             [&](const std::wstring& n) { return SameName(n, child); });
    if (!known) names->push_back(child);
  }
  return exists;
}

bool RegistryStore::DeleteKey(const std::wstring& key) {
  std::wstring path = NormalizeKey(key);
  if (path.empty()) return false;
  return Modify([&](Contents* contents) {
    std::erase_if(*contents, [&](const Key& k) {
      return SameName(k.path, path) || IsBelow(k.path, path);
    });
    return true;
  });
}

}  // namespace report
