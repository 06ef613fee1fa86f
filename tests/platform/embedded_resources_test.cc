#include "platform/embedded_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "config/build_config.h"

namespace {

std::string Blob(int id, const wchar_t* type) {
  const void* data = nullptr;
  size_t size = 0;
  if (!FindEmbeddedResource(id, type, &data, &size)) return "<missing>";
  return std::string(static_cast<const char*>(data), size);
}

TEST(EmbeddedResourcesTest, ThemeIsTheZippedResourceTree) {
  const std::string zip = Blob(kThemeResourceId, kThemeResourceType);
  ASSERT_GT(zip.size(), 22u);
  EXPECT_EQ(zip.substr(0, 4), std::string("PK\x03\x04", 4));
  // Entries carry the "resources/" root the theme code looks them up under.
  EXPECT_NE(zip.find("resources/themes/default/"), std::string::npos);
  EXPECT_NE(zip.find("resources/lang/zh_CN/"), std::string::npos);
  EXPECT_EQ(zip.find("CMakeLists.txt"), std::string::npos);
}

TEST(EmbeddedResourcesTest, ChannelIsTheBuildsChannelText) {
#if defined(LUMACAST_TEST_NO_CHANNEL)
  EXPECT_EQ(Blob(kChannelResourceId, kChannelResourceType), "<missing>");
#else
  EXPECT_EQ(Blob(kChannelResourceId, kChannelResourceType), LUMACAST_CHANNEL_A);
#endif
}

TEST(EmbeddedResourcesTest, UnknownIdsAndTypesAreNotFound) {
  EXPECT_EQ(Blob(137, kThemeResourceType), "<missing>");
  EXPECT_EQ(Blob(kThemeResourceId, kChannelResourceType), "<missing>");
  EXPECT_EQ(Blob(kThemeResourceId, L"NOSUCHTYPE"), "<missing>");
  // Type names ignore case, as Windows' resource lookup does.
  EXPECT_NE(Blob(kThemeResourceId, L"theme"), "<missing>");
}

}  // namespace
