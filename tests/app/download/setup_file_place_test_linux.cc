// The setup file in a folder others may reach: nothing planted at its path is
// written through, and nothing but our own fresh file is held for running.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/download/held_file.h"
#include "app/download/setup_download.h"
#include "base/utf.h"

namespace {

constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005);
constexpr uid_t kNobody = 65534;
// Nothing listens on port 1 of 127.0.0.1: every fetch fails after the file
// was (or was not) created, which is all these tests look at.
const std::wstring kNowhere = L"http://127.0.0.1:1/lumacastsetup.exe";

std::string Content(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SetupFilePlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/lumacast-place-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    root_ = dir;
  }
  void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }

  // A folder with `mode`, owned by `owner`.
  std::string Folder(const std::string& name, mode_t mode, uid_t owner) {
    const std::string path = root_ + "/" + name;
    EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    if (owner != geteuid()) {
      EXPECT_EQ(chown(path.c_str(), owner, owner), 0);
    }
    return path;
  }
  void Plant(const std::string& path, const std::string& text, uid_t owner) {
    { std::ofstream(path) << text; }
    if (owner != geteuid()) {
      ASSERT_EQ(chown(path.c_str(), owner, owner), 0);
    }
  }

  std::string root_;
};

TEST_F(SetupFilePlaceTest, PlantedLinkIsReplacedNotWrittenThrough) {
  const std::string victim = root_ + "/victim";
  Plant(victim, "keep me", geteuid());
  const std::string folder = Folder("own", 0755, geteuid());
  const std::string setup = folder + "/LumaCast.exe";
  ASSERT_EQ(symlink(victim.c_str(), setup.c_str()), 0);

  EXPECT_NE(FetchUrlToFile(kNowhere, nbase::UTF8ToWide(setup), nullptr, nullptr), kAccessDenied);
  EXPECT_EQ(Content(victim), "keep me");
  struct stat info;
  ASSERT_EQ(lstat(setup.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));  // a fresh file of our own took its place
  EXPECT_EQ(info.st_size, 0);
  EXPECT_EQ(info.st_uid, geteuid());
  // And a link is never held for running, even to a file of our own.
  ASSERT_EQ(unlink(setup.c_str()), 0);
  ASSERT_EQ(symlink(victim.c_str(), setup.c_str()), 0);
  EXPECT_EQ(HeldFile::Open(nbase::UTF8ToWide(setup)), nullptr);
}

// A folder others may write to without the sticky bit, or that belongs to
// someone else, is refused before anything is made in it; what another user
// left there is neither written nor held for running.
TEST_F(SetupFilePlaceTest, FolderOthersControlIsRefused) {
  const uid_t other = geteuid() == 0 ? kNobody : geteuid();
  const std::string open_folder = Folder("open", 0777, geteuid());
  const std::string planted = open_folder + "/LumaCast.exe";
  Plant(planted, "planted", other);
  EXPECT_EQ(FetchUrlToFile(kNowhere, nbase::UTF8ToWide(planted), nullptr, nullptr), kAccessDenied);
  EXPECT_EQ(Content(planted), "planted");

  if (geteuid() == 0) {  // only root can make a folder that belongs to someone else
    const std::string theirs = Folder("theirs", 0755, kNobody);
    const std::string their_setup = theirs + "/LumaCast.exe";
    Plant(their_setup, "theirs", kNobody);
    EXPECT_EQ(FetchUrlToFile(kNowhere, nbase::UTF8ToWide(their_setup), nullptr, nullptr),
              kAccessDenied);
    EXPECT_EQ(Content(their_setup), "theirs");
    EXPECT_EQ(HeldFile::Open(nbase::UTF8ToWide(their_setup)), nullptr);
    // Not even in a sticky folder that is theirs: they could swap our file.
    const std::string their_sticky = Folder("their-sticky", 01777, kNobody);
    EXPECT_EQ(FetchUrlToFile(kNowhere, nbase::UTF8ToWide(their_sticky + "/LumaCast.exe"), nullptr,
                             nullptr),
              kAccessDenied);
    EXPECT_NE(access((their_sticky + "/LumaCast.exe").c_str(), F_OK), 0);
  }
}

// A sticky shared folder of ours (or root's, like /tmp) keeps others from
// replacing our file, so the download may go there.
TEST_F(SetupFilePlaceTest, StickySharedFolderOfOursIsUsed) {
  const std::string sticky = Folder("sticky", 01777, geteuid());
  const std::string setup = sticky + "/LumaCast.exe";
  EXPECT_NE(FetchUrlToFile(kNowhere, nbase::UTF8ToWide(setup), nullptr, nullptr), kAccessDenied);
  struct stat info;
  ASSERT_EQ(lstat(setup.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_NE(HeldFile::Open(nbase::UTF8ToWide(setup)), nullptr);
}

TEST_F(SetupFilePlaceTest, OnlyOurOwnUnsharedFileIsHeld) {
  const std::string folder = Folder("own", 0755, geteuid());
  const std::string setup = folder + "/LumaCast.exe";
  Plant(setup, "ours", geteuid());
  ASSERT_EQ(chmod(setup.c_str(), 0700), 0);
  EXPECT_NE(HeldFile::Open(nbase::UTF8ToWide(setup)), nullptr);
  ASSERT_EQ(chmod(setup.c_str(), 0766), 0);  // anyone could change it after the checks
  EXPECT_EQ(HeldFile::Open(nbase::UTF8ToWide(setup)), nullptr);
  if (geteuid() == 0) {
    ASSERT_EQ(chmod(setup.c_str(), 0700), 0);
    ASSERT_EQ(chown(setup.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(HeldFile::Open(nbase::UTF8ToWide(setup)), nullptr);
  }
  EXPECT_EQ(HeldFile::Open(nbase::UTF8ToWide(folder)), nullptr);
}

}  // namespace
