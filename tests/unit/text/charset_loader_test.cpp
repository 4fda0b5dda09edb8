#include "graphics/charset_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/root.h"
#include "runtime/pool.h"
#include "runtime/text/charset_tables.h"
#include "runtime/text/wstr.h"

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

std::vector<uint8_t> tableBytes(const char16_t* table, int32_t bytes) {
  std::vector<uint8_t> out;
  for (int32_t i = 0; i < bytes / 2; ++i) {
    out.push_back(static_cast<uint8_t>(table[i] & 0xFF));
    out.push_back(static_cast<uint8_t>(table[i] >> 8));
  }
  return out;
}

struct RootCase {
  const char* root;  // below the fixture folder
  bool iso;
  bool uppercase;
};

// The fixture archive hides the real members behind an empty "iso/ISO8859.dat" and an
// "old/iso/ISO8859.dat" of other content: only the exact, non-empty member may be taken.
TEST(CharsetLoaderTest, ReadsExactNonEmptyMembersOfTheNestedArchive) {
  const std::string fixture = TEXT_FIXTURE_DIR;
  const RootCase cases[] = {
      {"root", true, true},
      {"short", false, true},  // ISO8859.dat of the wrong size is refused
      {"missing", false, false},
  };
  int64_t zipBefore = pool_stats(POOL_ZIPFILE).bytesInUse;
  for (const RootCase& c : cases) {
    SCOPED_TRACE(c.root);
    host_setRoot(fixture + "/" + c.root);
    charset_unloadTables();
    charset_useResourceArchive();
    const char16_t* iso = charset_isoTable();
    const char16_t* upper = charset_uppercaseTable();
    ASSERT_EQ(iso != nullptr, c.iso);
    ASSERT_EQ(upper != nullptr, c.uppercase);
    if (iso) {
      EXPECT_EQ(tableBytes(iso, kCharsetIsoBytes), readFile(fixture + "/ISO8859.dat"));
    }
    if (upper) {
      EXPECT_EQ(tableBytes(upper, kCharsetUppercaseBytes), readFile(fixture + "/uppercase.dat"));
    }
    EXPECT_EQ(wstr_compareNoCase(u"a", u"B"), c.uppercase ? -1 : 0);
  }
  charset_unloadTables();
  charset_setTableLoader(nullptr);
  host_setRoot(".");
  EXPECT_EQ(pool_stats(POOL_ZIPFILE).bytesInUse, zipBefore);
}

TEST(CharsetLoaderTest, ReportsTheSizeOfAMemberItDoesNotCopy) {
  host_setRoot(std::string(TEXT_FIXTURE_DIR) + "/root");
  std::vector<uint8_t> small(10);
  EXPECT_EQ(charset_loadFromResources(kCharsetIsoMember, small.data(), 10), kCharsetIsoBytes);
  EXPECT_EQ(charset_loadFromResources("iso/none.dat", small.data(), 10), -1);
  EXPECT_EQ(charset_loadFromResources("ISO8859.dat", small.data(), 10), -1);  // names match exactly
  host_setRoot(".");
}

}  // namespace
