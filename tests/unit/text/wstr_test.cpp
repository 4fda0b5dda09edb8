#include "runtime/text/wstr.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "charset_fixture.h"
#include "runtime/pool.h"

namespace {

class WstrTest : public ::testing::Test {
 protected:
  void SetUp() override { useFixtureTables(); }
  void TearDown() override { charset_unloadTables(); }
};

TEST_F(WstrTest, CopyAppendAndLengthHandleNullAndLimits) {
  char16_t buf[16] = u"zzzzzzzzzzzzzzz";
  EXPECT_EQ(wstr_length(nullptr), 0);
  EXPECT_EQ(wstr_copy(buf, u"abc"), buf);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(wstr_copy(buf, nullptr), buf);  // untouched
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(wstr_copy(nullptr, u"x"), nullptr);
  wstr_append(buf, u"def");
  EXPECT_EQ(std::u16string(buf), u"abcdef");
  EXPECT_EQ(wstr_length(buf), 6);
  wstr_copyN(buf, u"hello", 3);
  EXPECT_EQ(std::u16string(buf), u"hel");
  wstr_copyN(buf, u"hi", 5);
  EXPECT_EQ(std::u16string(buf), u"hi");
  wstr_copyN(buf, nullptr, 5);
  EXPECT_EQ(std::u16string(buf), u"");
}

struct CompareCase {
  const char16_t* a;
  const char16_t* b;
  int ordinal;
  int noCase;
};

TEST_F(WstrTest, CompareOrdinalAndFolded) {
  const CompareCase cases[] = {
      {u"abc", u"abc", 0, 0},         {u"abc", u"ABC", 1, 0},
      {u"ab", u"abc", -1, -1},        {u"b", u"a", 1, 1},
      {u"Ärger", u"äRGER", -1, 0},    {u"ΑΒΓ", u"αβγ", -1, 0},
      {u"straße", u"STRASSE", 1, 1},  // ß has no one-unit capital: it folds to itself
      {nullptr, u"", -1, -1},         {u"", nullptr, 1, 1},
      {nullptr, nullptr, 0, 0},       {u"\uFFFF", u"\uFFFF", 0, 0},
      {u"\uFFFE", u"\uFFFF", -1, -1},
  };
  for (const CompareCase& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(wstr_compare(c.a, c.b), c.ordinal);
    EXPECT_EQ(wstr_compareNoCase(c.a, c.b), c.noCase);
  }
  EXPECT_EQ(wstr_compareNoCaseN(u"Channel 1", u"CHANNEL 2", 8), 0);
  EXPECT_EQ(wstr_compareNoCaseN(u"Channel 1", u"CHANNEL 2", 9), -1);
  EXPECT_EQ(wstr_compareNoCaseN(u"ab", u"AB", 10), 0);
  EXPECT_EQ(wstr_compareNoCaseN(u"x", u"y", 0), 0);
}

TEST_F(WstrTest, FindNoCase) {
  const char16_t* text = u"Das Erste HD";
  EXPECT_EQ(wstr_findNoCase(text, u"erste"), text + 4);
  EXPECT_EQ(wstr_findNoCase(text, u"HD"), text + 10);
  EXPECT_EQ(wstr_findNoCase(text, u""), text);
  EXPECT_EQ(wstr_findNoCase(text, u"hdx"), nullptr);
  const char16_t* accented = u"ÖRF 2";
  EXPECT_EQ(wstr_findNoCase(accented, u"örf"), accented);
  EXPECT_EQ(wstr_findNoCase(nullptr, u"a"), nullptr);
  EXPECT_EQ(wstr_findNoCase(text, nullptr), nullptr);
}

TEST_F(WstrTest, Latin1WidensEveryByte) {
  char16_t buf[8];
  EXPECT_EQ(std::u16string(wstr_fromLatin1("caf\xE9\xFF", buf)), u"caf\u00E9\u00FF");
  EXPECT_EQ(std::u16string(wstr_fromLatin1(nullptr, buf)), u"");
  EXPECT_EQ(std::u16string(wstr_fromLatin1N("a\0b", 3, buf), 3), std::u16string(u"a\0b", 3));
}

// Loaders that count their calls, for the loading rules.
int g_calls = 0;
int32_t missingLoader(const char*, void*, int32_t) {
  ++g_calls;
  return -1;
}
int32_t wrongSizeLoader(const char*, void*, int32_t capacity) {
  ++g_calls;
  return capacity - 2;
}
int32_t zeroLoader(const char*, void* dst, int32_t capacity) {
  ++g_calls;
  std::memset(dst, 0, static_cast<size_t>(capacity));
  return capacity;
}

TEST_F(WstrTest, MissingOrBadTablesDisableFoldingAndRetryAtMostOncePerSecond) {
  for (CharsetTableLoader loader : {missingLoader, wrongSizeLoader}) {
    charset_unloadTables();
    charset_setTableLoader(loader);
    g_calls = 0;
    EXPECT_EQ(wstr_compareNoCase(u"a", u"b"), 0);  // compares nothing
    EXPECT_EQ(wstr_findNoCase(u"abc", u"b"), nullptr);
    for (int i = 0; i < 100; ++i) wstr_compareNoCase(u"a", u"b");
    EXPECT_EQ(g_calls, 1);  // one attempt, not one per call
  }
  // A loader registered later is tried at once.
  charset_setTableLoader(fixtureTableLoader);
  EXPECT_EQ(wstr_compareNoCase(u"a", u"B"), -1);
  EXPECT_EQ(charset_loadTables(), 1);
}

TEST_F(WstrTest, MissingTableIsTriedAgainAfterASecond) {
  charset_unloadTables();
  charset_setTableLoader(missingLoader);
  g_calls = 0;
  EXPECT_EQ(charset_uppercaseTable(), nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(charset_uppercaseTable(), nullptr);
  EXPECT_EQ(g_calls, 2);
}

TEST_F(WstrTest, TablesLiveInThePermanentPoolUntilUnloaded) {
  charset_unloadTables();
  int64_t before = pool_stats(POOL_FTA_APPLICATION_PERMANENT).bytesInUse;
  ASSERT_EQ(charset_loadTables(), 1);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_PERMANENT).bytesInUse - before, kCharsetIsoBytes + kCharsetUppercaseBytes);
  charset_unloadTables();
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_PERMANENT).bytesInUse, before);
}

TEST_F(WstrTest, ZeroEntriesOfTheCodePageTableNeverEndAString) {
  charset_unloadTables();
  charset_setTableLoader(zeroLoader);
  const char16_t* iso = charset_isoTable();
  ASSERT_NE(iso, nullptr);
  for (int i = 0; i < kCharsetIsoParts * kCharsetIsoBlock; ++i) ASSERT_EQ(iso[i], 0xFFFD) << i;
}

}  // namespace
