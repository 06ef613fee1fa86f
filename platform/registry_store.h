// RegistryStore: a file that stands in for one registry hive on Linux.
//
// Keys are backslash-separated paths compared without regard to ASCII case, as
// on Windows; each key holds named string values. The file is UTF-8 text, one
// record a line:
//
//   # LumaCast registry store 1
//   key "Software\\LumaCast\\AppInfo"
//   value "UniqueId" "0A1B..."
//
// Strings are quoted with \\, \" and \xHH escapes, so any text round-trips.
//
// Guarantees: a write is a read-modify-write under an exclusive flock() of
// "<file>.lock", and the new content replaces the old by rename() after an
// fsync(), so readers (who take no lock) see the old or the new file, never a
// half-written one, and two processes writing at once both keep their values.
// A file that was read completely but does not parse reads as empty; the next
// write moves it aside to "<file>.corrupt-<time>" before writing, so nothing is
// silently lost. A file that could not be read (no descriptor left, an I/O
// error, no permission) is not judged at all: reads find nothing and writes
// fail, leaving the file as it was.
//
// The format and the read-modify-write rules live in registry_store.cc; the
// file system calls in registry_store_linux.cc.
//
// Thread-safe: every call opens the file afresh and keeps no state besides the
// path.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace report {

class RegistryStore {
 public:
  explicit RegistryStore(std::string filePath);

  // The stores used by the registry helpers, located from the environment at
  // the time of the call (so tests relocate them with XDG_CONFIG_HOME and
  // XDG_DATA_HOME).
  static RegistryStore CurrentUser();  // $XDG_CONFIG_HOME/lumacast/hkcu.reg
  static RegistryStore Machine();      // $XDG_DATA_HOME/lumacast/hklm.reg

  bool Read(const std::wstring& key, const std::wstring& name, std::wstring* value) const;
  bool Write(const std::wstring& key, const std::wstring& name, const std::wstring& value);
  // Immediate children of `key` in the order they were created. False when
  // `key` does not exist (a key exists once it or a descendant was written).
  bool Subkeys(const std::wstring& key, std::vector<std::wstring>* names) const;
  // Removes `key` with all its values and descendants. True when gone.
  bool DeleteKey(const std::wstring& key);

  const std::string& path() const { return path_; }

  // In-memory form of a store, exposed for the format tests.
  struct Key {
    std::wstring path;                                      // as first written
    std::vector<std::pair<std::wstring, std::wstring>> values;  // in write order
  };
  using Contents = std::vector<Key>;
  static std::string Serialize(const Contents& contents);
  // False when `text` is not a well-formed store.
  static bool Parse(const std::string& text, Contents* contents);

 private:
  enum class LoadResult { kMissing, kOk, kCorrupt, kUnreadable };
  using Change = std::function<bool(Contents*)>;

  LoadResult Load(Contents* contents) const;
  // Runs `change` on the current contents under the write lock and stores the
  // result.
  bool Modify(const Change& change);
  // The part of Modify that runs once the lock is held.
  bool ModifyLocked(const Change& change);

  // File system half (registry_store_linux.cc).
  enum class ReadResult { kMissing, kOk, kFailed };
  // The whole file into `text`; kFailed when it could not be read to the end.
  ReadResult ReadFile(std::string* text) const;
  // Renames the file to "<file>.corrupt-<time>-<pid>".
  bool SetAside() const;
  // Replaces the file with `text` (temporary file, fsync, rename).
  bool Replace(const std::string& text) const;

  std::string path_;
};

}  // namespace report
