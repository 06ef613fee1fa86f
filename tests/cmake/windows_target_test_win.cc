// The Windows headers are set to the oldest system the manifest declares, so
// a call only newer systems export cannot slip into the program: it fails to
// compile instead of failing to load on the oldest system.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The "supportedOS" ids of the application manifest and the version each stands for.
struct SystemId {
  const char* guid;
  int version;
};
constexpr SystemId kSystems[] = {
    {"e2011457-1546-43c5-a5fe-008deee3d3f0", 0x0600},  // Vista
    {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", 0x0601},  // 7
    {"4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", 0x0602},  // 8
    {"1f676c76-80e1-4239-95bb-83d0f6d0da78", 0x0603},  // 8.1
    {"8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a", 0x0A00},  // 10 and 11
};

TEST(WindowsTargetTest, HeadersTargetTheOldestSystemTheManifestDeclares) {
  std::ifstream file(LUMACAST_SOURCE_DIR "/cmake/installer.manifest");
  ASSERT_TRUE(file) << "manifest not found";
  std::stringstream text;
  text << file.rdbuf();
  const std::string manifest = text.str();
  int oldest = 0;
  for (const SystemId& system : kSystems) {
    if (manifest.find(system.guid) == std::string::npos) continue;
    oldest = oldest == 0 ? system.version : std::min(oldest, system.version);
  }
  ASSERT_NE(oldest, 0) << "the manifest declares no known system";
  EXPECT_EQ(oldest, 0x0600) << "the product needs Vista or later";
  EXPECT_EQ(_WIN32_WINNT, oldest);
  EXPECT_EQ(WINVER, oldest);
}

}  // namespace
