// The theme archive reader against well-formed and hostile archives: every
// hostile entry must end in a clear status and an empty result.
#include "ui/core/zip_archive.h"

#include <gtest/gtest.h>

#include "tests/ui/core/zip_builder.h"

namespace ui {
namespace {

using ui_test::BuildZip;
using ui_test::ZipEntry;
using Status = ZipArchive::Status;

Status Read(const std::vector<ZipEntry>& entries, std::string_view name, std::string* out) {
  ZipArchive zip;
  if (!zip.OpenFromMemory(BuildZip(entries))) return Status::kNotOpen;
  return zip.ReadEntry(name, out);
}

TEST(ZipArchiveTest, ReadsStoredAndDeflatedEntriesIgnoringCase) {
  ZipArchive zip;
  ASSERT_TRUE(zip.OpenFromMemory(BuildZip({{"public/checkbox/check.png", "stored", false},
                                           {"global.xml", std::string(10000, 'x'), true}})));
  std::string out;
  EXPECT_EQ(zip.ReadEntry("public/CheckBox/check.png", &out), Status::kOk);
  EXPECT_EQ(out, "stored");
  EXPECT_EQ(zip.ReadEntry("GLOBAL.XML", &out), Status::kOk);
  EXPECT_EQ(out, std::string(10000, 'x'));
  EXPECT_EQ(zip.ReadEntry("missing.xml", &out), Status::kNotFound);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(zip.ReadEntry("", &out), Status::kNotFound);
  EXPECT_EQ(zip.ReadEntry(std::string(300, 'a'), &out), Status::kNameTooLong);
  zip.Close();
  EXPECT_EQ(zip.ReadEntry("global.xml", &out), Status::kNotOpen);
}

TEST(ZipArchiveTest, RefusesWhatIsNotAnArchive) {
  ZipArchive zip;
  EXPECT_FALSE(zip.OpenFromMemory({}));
  EXPECT_FALSE(zip.OpenFromMemory(std::vector<uint8_t>(1000, 0x50)));
  std::vector<uint8_t> cut = BuildZip({{"a.xml", "hello"}});
  cut.resize(cut.size() - 20);  // end-of-directory record cut off
  EXPECT_FALSE(zip.OpenFromMemory(cut));
  EXPECT_FALSE(zip.IsOpen());
}

TEST(ZipArchiveTest, HostileEntriesEndInAClearError) {
  std::string out = "stale";
  // A declared size over the cap is refused before anything is inflated.
  ZipEntry bomb{"bomb.xml", "small", true};
  bomb.declared_size = (4 << 20) + 1;
  EXPECT_EQ(Read({bomb}, "bomb.xml", &out), Status::kTooLarge);
  EXPECT_TRUE(out.empty());
  // Exactly at the cap is allowed (and then must really have that length).
  ZipEntry at_cap{"cap.bin", std::string(4 << 20, 'z'), true};
  EXPECT_EQ(Read({at_cap}, "cap.bin", &out), Status::kOk);
  EXPECT_EQ(out.size(), size_t{4} << 20);

  ZipEntry bad_crc{"a.xml", "hello world", true};
  bad_crc.crc = 1234;
  EXPECT_EQ(Read({bad_crc}, "a.xml", &out), Status::kCorrupt);
  EXPECT_TRUE(out.empty());

  ZipEntry longer{"a.xml", "hello world", true};  // more data than declared
  longer.declared_size = 5;
  EXPECT_EQ(Read({longer}, "a.xml", &out), Status::kCorrupt);

  ZipEntry shorter{"a.xml", "hello", true};  // less data than declared
  shorter.declared_size = 500;
  EXPECT_EQ(Read({shorter}, "a.xml", &out), Status::kCorrupt);

  ZipEntry stored_short{"a.xml", "hello", false};
  stored_short.declared_size = 500;
  EXPECT_EQ(Read({stored_short}, "a.xml", &out), Status::kCorrupt);

  ZipEntry garbage{"a.xml", "hello", false};  // stored bytes claimed deflated
  garbage.data = std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
  garbage.method = 8;
  EXPECT_EQ(Read({garbage}, "a.xml", &out), Status::kCorrupt);

  ZipEntry unknown_method{"a.xml", "hello", false};
  unknown_method.method = 12;  // bzip2
  EXPECT_EQ(Read({unknown_method}, "a.xml", &out), Status::kCorrupt);

  ZipEntry encrypted{"a.xml", "hello", false};
  encrypted.flags = 1;
  EXPECT_EQ(Read({encrypted}, "a.xml", &out), Status::kEncrypted);
  EXPECT_TRUE(out.empty());
}

TEST(ZipArchiveTest, TruncatedEntryDataIsCorrupt) {
  // The local data of the only entry is cut in half; the directory still
  // points at it.
  std::vector<ZipEntry> entries = {{"a.xml", std::string(5000, 'q') + "tail", false}};
  std::vector<uint8_t> bytes = BuildZip(entries);
  std::vector<uint8_t> directory_and_end(bytes.begin() + 30 + 5 + 5004, bytes.end());
  bytes.resize(30 + 5 + 2000);
  uint32_t new_offset = static_cast<uint32_t>(bytes.size());
  bytes.insert(bytes.end(), directory_and_end.begin(), directory_and_end.end());
  size_t end_record = bytes.size() - 22;
  for (int i = 0; i < 4; ++i) bytes[end_record + 16 + i] = (new_offset >> (8 * i)) & 0xFF;
  ZipArchive zip;
  ASSERT_TRUE(zip.OpenFromMemory(bytes));
  std::string out;
  EXPECT_EQ(zip.ReadEntry("a.xml", &out), Status::kCorrupt);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace ui
