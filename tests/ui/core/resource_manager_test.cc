// ResourceManager: paths, theme lookup in archive and folder form, fonts,
// colours, classes, language strings and the weak image cache.
#include "ui/core/resource_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/ui/core/zip_builder.h"
#include "ui/core/dpi_scale.h"
#include "ui/render/image.h"

namespace ui {
namespace {

namespace fs = std::filesystem;
using ui_test::BuildZip;

std::string PngBytes(int width, int height, uint32_t argb) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = argb & 0xFF;
    pixels[i + 1] = (argb >> 8) & 0xFF;
    pixels[i + 2] = (argb >> 16) & 0xFF;
    pixels[i + 3] = argb >> 24;
  }
  std::string png;
  EncodePng(pixels.data(), width, height, &png);
  return png;
}

class ResourceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResourceManager::Get().Shutdown();
    DpiScale::Get().SetForTesting(false, 100);
  }
  void TearDown() override {
    ResourceManager::Get().Shutdown();
    DpiScale::Get().SetForTesting(false, 100);
  }
  ResourceManager& rm() { return ResourceManager::Get(); }

  void OpenZip(const std::vector<ui_test::ZipEntry>& entries) {
    std::vector<uint8_t> bytes = BuildZip(entries);
    ASSERT_TRUE(rm().OpenThemeZip(bytes.data(), bytes.size()));
  }
};

TEST_F(ResourceManagerTest, ArchivePathForm) {
  EXPECT_EQ(ResourceManager::ToArchivePath(u"x\\y\\..\\z/./w.png"), u"x/z/w.png");
  EXPECT_EQ(ResourceManager::ToArchivePath(u"a//b"), u"a/b");
  EXPECT_EQ(ResourceManager::ToArchivePath(u"resources\\themes\\default\\basic\\..\\public\\button\\x.png"),
            u"resources/themes/default/public/button/x.png");
  // Nothing above the top: a leading "../" is dropped, not kept.
  EXPECT_EQ(ResourceManager::ToArchivePath(u"../../a.png"), u"a.png");
  EXPECT_EQ(ResourceManager::ToArchivePath(u"/a/b/../../../c"), u"c");
  EXPECT_EQ(ResourceManager::ToArchivePath(u"a/.b/..c"), u"a/.b/..c");
}

TEST_F(ResourceManagerTest, ResourceRootEndsInASeparator) {
  rm().SetResourceRoot(u"a/");
  EXPECT_EQ(rm().GetResourceRoot(), u"a/");
  rm().SetResourceRoot(u"a\\");
  EXPECT_EQ(rm().GetResourceRoot(), u"a\\");
  rm().SetResourceRoot(u"a");
#if defined(_WIN32)
  EXPECT_EQ(rm().GetResourceRoot(), u"a\\");
#else
  EXPECT_EQ(rm().GetResourceRoot(), u"a/");
#endif
  rm().SetResourceRoot(u"");
  EXPECT_EQ(rm().GetResourceRoot(), u"");
}

TEST_F(ResourceManagerTest, ThemeFilesComeFromTheArchiveOnly) {
  // A file on disk with the same relative name must not be picked up when
  // the archive lacks the entry.
  fs::path dir = fs::path(LUMACAST_BINARY_DIR) / "tests/ui/core/rm_no_fallback";
  fs::create_directories(dir / "resources/themes/default");
  std::ofstream(dir / "resources/themes/default/only_on_disk.xml") << "<Window/>";
  fs::current_path(dir);

  OpenZip({{"resources/themes/default/global.xml", "<Global/>"},
           {"resources/themes/default/public/checkbox/check.png", "png"}});
  rm().SetResourceRoot(u"resources\\themes\\default");
  std::string bytes, error;
  EXPECT_TRUE(rm().ReadThemeFile(u"GLOBAL.xml", &bytes, &error));
  EXPECT_EQ(bytes, "<Global/>");
  EXPECT_TRUE(rm().ReadThemeFile(u"basic/../public/CheckBox/check.png", &bytes));
  EXPECT_EQ(bytes, "png");
  EXPECT_FALSE(rm().ReadThemeFile(u"only_on_disk.xml", &bytes, &error));
  EXPECT_TRUE(bytes.empty());
  EXPECT_NE(error.find("resources/themes/default/only_on_disk.xml"), std::string::npos) << error;
  EXPECT_NE(error.find("not found"), std::string::npos) << error;

  // Folder mode reads the same relative name from the disk.
  rm().CloseThemeZip();
  rm().SetResourceRoot(u"resources/themes/default");
  EXPECT_TRUE(rm().ReadThemeFile(u"only_on_disk.xml", &bytes));
  EXPECT_EQ(bytes, "<Window/>");
}

TEST_F(ResourceManagerTest, LanguageStringsLoadFromTheLangFolder) {
  std::string ini =
      "\xEF\xBB\xBF"
      "STRID_TITLE=Install\r\n"
      ";STRID_COMMENT=x\n"
      "KEY = a = b\n"
      "  STRID_TWO  =  Line\\nTwo \n"
      "STRID_EMPTY=\n"
      "STRID_TITLE=Install Now\n"
      "\xff\xfe=broken\n";
  OpenZip({{"resources/lang/zh_CN/gdstrings.ini", ini}, {"resources/themes/default/global.xml", "x"}});
  rm().Initialize(u"resources\\", u"themes\\default", u"lang\\zh_CN", false);
  EXPECT_EQ(rm().GetResourceRoot().substr(0, 24), u"resources\\themes\\default");
  EXPECT_EQ(rm().TextForId(u"STRID_TITLE"), u"Install Now");  // later wins; BOM skipped
  EXPECT_EQ(rm().TextForId(u"STRID_TWO"), u"Line\nTwo");
  EXPECT_EQ(rm().TextForId(u"KEY"), u"");
  EXPECT_EQ(rm().TextForId(u";STRID_COMMENT"), u"");
  EXPECT_EQ(rm().TextForId(u"STRID_EMPTY"), u"");
  EXPECT_EQ(rm().TextForId(u""), u"");
  EXPECT_EQ(rm().Strings().size(), 2u);
}

TEST_F(ResourceManagerTest, FontsKeepTheirIds) {
  DpiScale::Get().SetForTesting(true, 150);
  EXPECT_EQ(rm().AddFont(u"system", 14, false, false, false), 0);
  EXPECT_EQ(rm().AddFont(u"", 12, true, false, false), 1);  // cannot be described
  EXPECT_EQ(rm().AddFont(u"arial", 12, true, true, true), 2);
  const FontRecord* system = rm().GetFont(0);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->face, u"\u5FAE\u8F6F\u96C5\u9ED1");
  EXPECT_EQ(system->size, 21);
  EXPECT_EQ(system->weight, 400);
  EXPECT_FALSE(rm().GetFont(1)->valid);
  const FontRecord* arial = rm().GetFont(2);
  EXPECT_EQ(arial->face, u"arial");
  EXPECT_EQ(arial->weight, 700);
  EXPECT_TRUE(arial->underline && arial->italic);
  EXPECT_EQ(rm().GetFont(3), nullptr);
  EXPECT_EQ(rm().GetFont(-1), nullptr);
  // Text with a placeholder or unknown id uses the first real font.
  EXPECT_EQ(&rm().GetFontOrDefault(1), system);
  EXPECT_EQ(&rm().GetFontOrDefault(99), system);
  rm().ClearFonts();
  EXPECT_EQ(rm().GetFontOrDefault(0).size, 18);  // built-in 12 px, scaled
}

TEST_F(ResourceManagerTest, ColoursAndClasses) {
  EXPECT_TRUE(rm().AddColor(u"textdefaultcolor", u"#ff333333"));
  EXPECT_TRUE(rm().AddColor(u"half", u"80000000"));
  EXPECT_FALSE(rm().AddColor(u"bad", u"#ff33333g"));
  EXPECT_FALSE(rm().AddColor(u"toolong", u"#ff3333330"));
  EXPECT_FALSE(rm().AddColor(u"empty", u"#"));
  EXPECT_EQ(rm().GetColor(u"textdefaultcolor"), 0xFF333333u);
  EXPECT_EQ(rm().GetColor(u"half"), 0x80000000u);
  EXPECT_EQ(rm().GetColor(u"bad"), 0u);
  EXPECT_EQ(rm().GetColor(u"nosuchcolor"), 0u);
  EXPECT_EQ(rm().GetDefaultTextColor(), u"textdefaultcolor");
  EXPECT_EQ(rm().GetDefaultDisabledTextColor(), u"textdefaultdisablecolor");

  String long_value(600, u'a');
  rm().AddClass(u"btn", u"font=\"1\"");
  rm().AddClass(u"btn", long_value);
  EXPECT_EQ(rm().GetClassAttributes(u"btn"), long_value);  // replaced, and not cut
  EXPECT_EQ(rm().GetClassAttributes(u"none"), u"");
}

TEST_F(ResourceManagerTest, ImagesAreSharedWhileHeld) {
  OpenZip({{"theme/a.png", PngBytes(4, 3, 0xFF102030)}, {"theme/bad.png", "not a png"}});
  std::shared_ptr<DecodedImage> first = rm().AcquireImage(u"theme\\A.png");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->width, 4);
  EXPECT_EQ(first->height, 3);
  EXPECT_FALSE(first->alpha);  // a 32-bit image that is fully opaque
  std::shared_ptr<DecodedImage> second = rm().AcquireImage(u"theme/x/../a.png");
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(rm().CachedImageCount(), 1u);
  first.reset();
  second.reset();
  EXPECT_EQ(rm().CachedImageCount(), 0u);
  EXPECT_NE(rm().AcquireImage(u"theme/a.png"), nullptr);  // decoded again

  EXPECT_EQ(rm().AcquireImage(u"theme/bad.png"), nullptr);
  EXPECT_EQ(rm().AcquireImage(u"theme/missing.png"), nullptr);
  EXPECT_EQ(rm().AcquireImage(u""), nullptr);
  EXPECT_EQ(rm().CachedImageCount(), 0u);
}

}  // namespace
}  // namespace ui
