#include "ui/core/resource_manager.h"

#include "ui/core/dpi_scale.h"
#include "ui/core/read_file.h"
#include "ui/render/image.h"
#include "ui/render/render_context.h"

namespace ui {
namespace {

#if defined(_WIN32)
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

// The face "system" stands for; the Linux backend maps it to a CJK sans.
constexpr char16_t kSystemFontFace[] = u"\u5FAE\u8F6F\u96C5\u9ED1";  // Microsoft YaHei
constexpr int kDefaultFontSize = 12;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

const char* FileStatusText(ReadFileResult result) {
  switch (result) {
    case ReadFileResult::kOpenFailed: return "file not found";
    case ReadFileResult::kTooLarge: return "file larger than 4 MiB";
    default: return "file cannot be read";
  }
}

// Reads a file from the disk; an empty file is an empty result. Themes name
// files with either separator, which Linux does not accept.
bool ReadDiskFile(StringView path, uint64_t max_bytes, std::string* bytes, std::string* error) {
  String native(path);
#if !defined(_WIN32)
  for (char16_t& c : native) {
    if (c == u'\\') c = u'/';
  }
#endif
  ReadFileResult result = ReadWholeFile(native, static_cast<int64_t>(max_bytes), bytes);
  if (result == ReadFileResult::kOk || result == ReadFileResult::kEmpty) return true;
  bytes->clear();
  if (error) *error = ToUTF8(path) + ": " + FileStatusText(result);
  return false;
}

}  // namespace

ResourceManager& ResourceManager::Get() {
  static ResourceManager* instance = new ResourceManager;  // kept to process end
  return *instance;
}

ResourceManager::ResourceManager()
    : default_text_color_(u"textdefaultcolor"),
      default_disabled_text_color_(u"textdefaultdisablecolor") {}

ResourceManager::~ResourceManager() = default;

void ResourceManager::Initialize(StringView resource_path, StringView theme, StringView language,
                                 bool adapt_to_screen) {
  GetRenderFactory();
  SetResourceRoot(String(resource_path) + String(theme));
  if (adapt_to_screen) DpiScale::Get().AdaptToScreen();
  // Language files live beside the themes (resources/lang/...), not inside
  // the chosen theme folder.
  String base(resource_path);
  if (!base.empty() && !IsSeparator(base.back())) base.push_back(kSeparator);
  String language_dir(language);
  if (!language_dir.empty() && !IsSeparator(language_dir.back())) language_dir.push_back(kSeparator);
  LoadLanguageFile(base + language_dir + u"gdstrings.ini");
}

void ResourceManager::Shutdown() {
  CloseThemeZip();
  images_.clear();
  render_factory_.reset();
  fonts_.clear();
  classes_.clear();
  colors_.clear();
  strings_.Clear();
  resource_root_.clear();
  default_text_color_ = u"textdefaultcolor";
  default_disabled_text_color_ = u"textdefaultdisablecolor";
}

bool ResourceManager::OpenThemeZip(const void* data, size_t size, std::string_view password) {
  CloseThemeZip();
  if (!data || size == 0 || size > kMaxThemeArchiveBytes) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return zip_.OpenFromMemory(std::vector<uint8_t>(bytes, bytes + size), password);
}

bool ResourceManager::OpenThemeZipFile(StringView path) {
  CloseThemeZip();
  std::string bytes;
  if (!ReadDiskFile(path, kMaxThemeArchiveBytes, &bytes, nullptr)) return false;
  return zip_.OpenFromMemory(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void ResourceManager::CloseThemeZip() {
  zip_.Close();
  // Cached images may come from the archive that is going away.
  images_.clear();
}

void ResourceManager::SetResourceRoot(StringView path) {
  resource_root_ = String(path);
  if (!resource_root_.empty() && !IsSeparator(resource_root_.back())) {
    resource_root_.push_back(kSeparator);
  }
}

String ResourceManager::ToArchivePath(StringView path) {
  String s(path);
  for (char16_t& c : s) {
    if (c == u'\\') c = u'/';
  }
  String out;
  out.reserve(s.size());
  size_t i = 0;
  // `out` is always empty or ends in '/': we are at the start of a segment.
  while (i < s.size()) {
    if (s[i] == u'/') {  // an empty segment
      ++i;
      continue;
    }
    size_t end = s.find(u'/', i);
    bool last = end == String::npos;
    if (last) end = s.size();
    StringView segment(s.data() + i, end - i);
    if (!last && segment == u".") {
      // "./" is dropped.
    } else if (!last && segment == u"..") {
      // "../" removes the segment before it; at the top there is none.
      if (!out.empty()) {
        size_t cut = out.find_last_of(u'/', out.size() - 2);
        out.resize(cut == String::npos ? 0 : cut + 1);
      }
    } else {
      out.append(segment);
      if (!last) out.push_back(u'/');
    }
    i = last ? s.size() : end + 1;
  }
  return out;
}

String ResourceManager::JoinRoot(StringView path) const {
  if (IsAbsolutePath(path)) return String(path);
  return resource_root_ + String(path);
}

bool ResourceManager::ReadArchiveEntry(StringView path, std::string* bytes, std::string* error) {
  String archive_path = ToArchivePath(path);
  std::string name = ToUTF8(archive_path);
  ZipArchive::Status status = (name.empty() && !archive_path.empty())
                                  ? ZipArchive::Status::kNotFound
                                  : zip_.ReadEntry(name, bytes);
  if (status == ZipArchive::Status::kOk) return true;
  bytes->clear();
  if (error) *error = name + ": " + ZipArchive::StatusText(status);
  return false;
}

bool ResourceManager::ReadThemeFile(StringView path, std::string* bytes, std::string* error) {
  return ReadResolvedFile(JoinRoot(path), bytes, error);
}

bool ResourceManager::ReadResolvedFile(StringView full_path, std::string* bytes, std::string* error) {
  if (zip_.IsOpen() && !IsAbsolutePath(full_path)) {
    // A theme in an archive is only the archive: nothing is taken from the
    // current folder when an entry is missing.
    return ReadArchiveEntry(full_path, bytes, error);
  }
  return ReadDiskFile(full_path, kMaxThemeFileBytes, bytes, error);
}

IRenderFactory* ResourceManager::GetRenderFactory() {
  if (!render_factory_) render_factory_ = CreateRenderFactory();
  return render_factory_.get();
}

int ResourceManager::AddFont(StringView name, int size, bool bold, bool underline, bool italic) {
  FontRecord font;
  font.face = EqualsIgnoreAsciiCase(name, u"system") ? String(kSystemFontFace) : String(name);
  font.size = DpiScale::Get().ScaleValue(size);
  font.bold = bold;
  font.weight = bold ? 700 : 400;
  font.underline = underline;
  font.italic = italic;
  font.valid = !name.empty() && size > 0 && font.size > 0;
  fonts_.push_back(std::move(font));
  return static_cast<int>(fonts_.size()) - 1;
}

const FontRecord* ResourceManager::GetFont(int id) const {
  if (id < 0 || id >= static_cast<int>(fonts_.size())) return nullptr;
  return &fonts_[id];
}

const FontRecord& ResourceManager::GetFontOrDefault(int id) const {
  const FontRecord* font = GetFont(id);
  if (font && font->valid) return *font;
  for (const FontRecord& f : fonts_) {
    if (f.valid) return f;
  }
  static FontRecord fallback;
  fallback.face = kSystemFontFace;
  fallback.size = DpiScale::Get().ScaleValue(kDefaultFontSize);
  return fallback;
}

void ResourceManager::AddColor(StringView name, ArgbColor value) { colors_[String(name)] = value; }

bool ResourceManager::AddColor(StringView name, StringView text) {
  if (!text.empty() && text[0] == u'#') text.remove_prefix(1);
  if (text.empty() || text.size() > 8) return false;
  ArgbColor value = 0;
  for (char16_t c : text) {
    int digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return false;
    value = (value << 4) | static_cast<ArgbColor>(digit);
  }
  AddColor(name, value);
  return true;
}

ArgbColor ResourceManager::GetColor(StringView name) const {
  auto it = colors_.find(name);
  return it == colors_.end() ? 0 : it->second;
}

void ResourceManager::AddClass(StringView name, StringView attributes) {
  classes_[String(name)] = String(attributes);
}

String ResourceManager::GetClassAttributes(StringView name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? String() : it->second;
}

bool ResourceManager::LoadLanguageFile(StringView full_path) {
  strings_.Clear();
  std::string bytes;
  if (!ReadResolvedFile(full_path, &bytes)) return false;
  strings_.LoadFromMemory(bytes);
  return true;
}

String ResourceManager::CacheKey(StringView full_path) const {
  if (zip_.IsOpen() && !IsAbsolutePath(full_path)) return ToLowerAscii(ToArchivePath(full_path));
  return String(full_path);
}

std::shared_ptr<DecodedImage> ResourceManager::AcquireImage(StringView full_path) {
  if (full_path.empty()) return nullptr;
  String key = CacheKey(full_path);
  auto it = images_.find(key);
  if (it != images_.end()) {
    if (auto image = it->second.lock()) return image;
  }
  std::string bytes;
  if (!ReadResolvedFile(full_path, &bytes)) return nullptr;
  GetRenderFactory();  // the system decoder may need the backend started
  std::shared_ptr<DecodedImage> image = DecodeImage(bytes.data(), bytes.size());
  if (!image) return nullptr;
  image->path = String(full_path);
  // Entries of images nobody holds any more are dropped here.
  for (auto e = images_.begin(); e != images_.end();) {
    e = e->second.expired() ? images_.erase(e) : std::next(e);
  }
  images_[key] = image;
  return image;
}

size_t ResourceManager::CachedImageCount() const {
  size_t live = 0;
  for (const auto& entry : images_) live += entry.second.expired() ? 0 : 1;
  return live;
}

}  // namespace ui
