// ResourceManager: the process-wide state of the UI toolkit. It knows where
// the theme's files are (a zip archive in memory, or a folder on disk), and
// owns the render factory, the font list, the global class table, the named
// colours, the language strings and the weak image cache.
//
// Start-up, in order:
//   auto& rm = ResourceManager::Get();
//   rm.OpenThemeZip(theme_bytes, theme_size);            // or no zip: folder mode
//   rm.Initialize(u"resources\\", u"themes\\default", u"lang\\zh_CN");
//   (build "global.xml" with the window builder: it calls AddFont, AddColor,
//    AddClass, SetDefaultTextColor ...)
// and Shutdown() at the end.
//
// Paths: the resource root always ends in a separator once set (or is empty).
// Theme files are named relative to it; with a zip open they are looked up in
// archive form (ToArchivePath) ignoring case, and a missing entry is missing:
// there is no fall-back to the disk for relative paths. Absolute paths are
// always read from the disk.
//
// UI thread only; nothing is locked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/string_table.h"
#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"
#include "ui/core/zip_archive.h"

namespace ui {

class DecodedImage;
class IRenderFactory;

// One font of the font list; its id is its index.
struct FontRecord {
  String face;          // as the system is asked for it ("system" already replaced)
  int size = 0;         // pixels, after scaling
  int weight = 400;     // 700 when bold
  bool bold = false;
  bool underline = false;
  bool italic = false;
  // False for a placeholder: the font could not be described (no name, size
  // not positive); it keeps its id and draws with the default font.
  bool valid = true;
};

class ResourceManager {
 public:
  // Largest file the toolkit reads from a theme (layouts, images, language).
  static constexpr uint64_t kMaxThemeFileBytes = ZipArchive::kMaxEntryBytes;
  // Largest theme archive read from a file.
  static constexpr uint64_t kMaxThemeArchiveBytes = uint64_t{64} << 20;

  static ResourceManager& Get();

  // --- Start-up and shutdown ---
  // Creates the render factory, sets the root to `resource_path` + `theme`,
  // adapts to the screen scale when `adapt_to_screen`, and loads the language
  // strings from `resource_path` + `language` + "/gdstrings.ini" (in the zip
  // when one is open). The global layout is built by the caller afterwards.
  void Initialize(StringView resource_path, StringView theme, StringView language,
                  bool adapt_to_screen = true);
  // Closes the archive, drops the render factory, fonts, colours, classes,
  // strings and the image cache; back to the state before Initialize.
  void Shutdown();

  // --- Theme source ---
  // Closes an open archive, then opens `size` bytes at `data` (copied).
  // False when they are not a zip archive (the manager is then in folder mode).
  bool OpenThemeZip(const void* data, size_t size, std::string_view password = {});
  // Reads a zip file from disk (at most kMaxThemeArchiveBytes) and opens it.
  bool OpenThemeZipFile(StringView path);
  void CloseThemeZip();
  bool HasThemeZip() const { return zip_.IsOpen(); }

  // Stores `path`, appending the system's separator unless it already ends in
  // '\' or '/'. An empty path stays empty (files are then named from the
  // archive's top, or the current folder without an archive).
  void SetResourceRoot(StringView path);
  const String& GetResourceRoot() const { return resource_root_; }

  // '\' -> '/', repeated '/' collapsed, "./" removed and "x/../" folded away;
  // a leading "../" has nothing to remove and is dropped.
  static String ToArchivePath(StringView path);

  // The bytes of the archive entry `path` (any separators; archive form is
  // taken here). `error` gets a reason on failure when not null.
  bool ReadArchiveEntry(StringView path, std::string* bytes, std::string* error = nullptr);
  // A theme file: `path` relative to the resource root (joined here) or
  // absolute. With a zip open a relative path is an archive entry only;
  // otherwise it is read from the disk. At most kMaxThemeFileBytes.
  bool ReadThemeFile(StringView path, std::string* bytes, std::string* error = nullptr);
  // The same for a path already joined to the resource root (images).
  bool ReadResolvedFile(StringView full_path, std::string* bytes, std::string* error = nullptr);

  // --- Render factory ---
  IRenderFactory* GetRenderFactory();  // created on first use

  // --- Fonts (id = index, in the order they were added) ---
  // Always appends one record and returns its id: "system" becomes the
  // system's UI face, the size is scaled by DpiScale, bold means weight 700.
  // A font that cannot be described is kept as a placeholder (valid false) so
  // the ids after it do not shift.
  int AddFont(StringView name, int size, bool bold, bool underline, bool italic);
  // nullptr for an id outside the list.
  const FontRecord* GetFont(int id) const;
  // The record text uses for `id`: the font itself when valid, else the first
  // valid font, else a built-in "system" 12 px font.
  const FontRecord& GetFontOrDefault(int id) const;
  int FontCount() const { return static_cast<int>(fonts_.size()); }
  void ClearFonts() { fonts_.clear(); }

  // --- Colours ---
  void AddColor(StringView name, ArgbColor value);
  // `text` is "#AARRGGBB" (the '#' optional, up to eight hex digits). False,
  // and nothing stored, for anything else.
  bool AddColor(StringView name, StringView text);
  // 0 for an unknown name (0 is never painted).
  ArgbColor GetColor(StringView name) const;
  void SetDefaultTextColor(StringView name) { default_text_color_ = String(name); }
  void SetDefaultDisabledTextColor(StringView name) { default_disabled_text_color_ = String(name); }
  const String& GetDefaultTextColor() const { return default_text_color_; }
  const String& GetDefaultDisabledTextColor() const { return default_disabled_text_color_; }

  // --- Classes (global.xml) ---
  // A later definition replaces an earlier one. Values are kept whole.
  void AddClass(StringView name, StringView attributes);
  // The attribute list of class `name`; empty when there is none.
  String GetClassAttributes(StringView name) const;

  // --- Language strings ---
  StringTable& Strings() { return strings_; }
  String TextForId(StringView id) const { return strings_.TextForId(id); }
  // Clears the table and loads the file at `full_path` (not joined to the
  // resource root; read as ReadResolvedFile). False when it cannot be read.
  bool LoadLanguageFile(StringView full_path);

  // --- Images ---
  // The shared decoded image of `full_path` (already joined to the resource
  // root and the window's folder). Two callers asking for the same path share
  // one image; once every holder has released it, the next call decodes it
  // again. nullptr when the file is missing or not an image (not cached).
  std::shared_ptr<DecodedImage> AcquireImage(StringView full_path);
  // Number of live images in the cache (tests).
  size_t CachedImageCount() const;

 private:
  ResourceManager();
  ~ResourceManager();

  String CacheKey(StringView full_path) const;
  String JoinRoot(StringView path) const;

  ZipArchive zip_;
  String resource_root_;
  std::unique_ptr<IRenderFactory> render_factory_;
  std::vector<FontRecord> fonts_;
  std::map<String, String, std::less<>> classes_;
  std::map<String, ArgbColor, std::less<>> colors_;
  String default_text_color_;
  String default_disabled_text_color_;
  StringTable strings_;
  mutable std::map<String, std::weak_ptr<DecodedImage>, std::less<>> images_;
};

}  // namespace ui
