#include "platform/registry_store.h"

#include <algorithm>
#include <cstdio>

#include "base/utf.h"

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

}  // namespace

RegistryStore::RegistryStore(std::string filePath) : path_(std::move(filePath)) {}

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
  std::string text;
  switch (ReadFile(&text)) {
    case ReadResult::kMissing:
      return LoadResult::kMissing;
    case ReadResult::kFailed:
      // A passing failure (no descriptor left, an I/O error) says nothing
      // about the content; it must not be mistaken for a damaged file.
      return LoadResult::kUnreadable;
    case ReadResult::kOk:
      break;
  }
  if (!Parse(text, contents)) {
    contents->clear();
    return LoadResult::kCorrupt;
  }
  return LoadResult::kOk;
}

bool RegistryStore::ModifyLocked(const Change& change) {
  Contents contents;
  switch (Load(&contents)) {
    case LoadResult::kUnreadable:
      // Writing now would replace values that could not be read.
      return false;
    case LoadResult::kCorrupt:
      // Read to the end and not a store: keep it for whoever wants to look.
      if (!SetAside()) return false;
      break;
    case LoadResult::kMissing:
    case LoadResult::kOk:
      break;
  }
  if (!change(&contents)) return false;
  return Replace(Serialize(contents));
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
