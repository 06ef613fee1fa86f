#include "demo_platform.h"

namespace demo {

namespace {
bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}
}  // namespace

std::string FolderOf(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1]))
      return path.substr(0, i - 1);
  }
  return ".";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsSeparator(folder.back()))
    return folder + name;
#ifdef _WIN32
  return folder + "\\" + name;
#else
  return folder + "/" + name;
#endif
}

std::string JoinArguments(const std::vector<std::string>& args) {
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0)
      line += '\t';
    line += args[i];
  }
  return line;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  FILE* file = OpenFile(path, "rb");
  if (!file)
    return false;
  out->clear();
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0)
    out->append(chunk, got);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

bool AppendLine(const std::string& path, const std::string& line) {
  FILE* file = OpenFile(path, "ab");
  if (!file)
    return false;
  bool ok = fwrite(line.data(), 1, line.size(), file) == line.size() && fputc('\n', file) != EOF;
  return fclose(file) == 0 && ok;
}

}  // namespace demo
