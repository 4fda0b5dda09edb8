#include "devices/storage/storage.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/pool.h"
#include "runtime/process.h"
#include "support/temp_root.h"

namespace {

class StorageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    process_init();
    storage_init();
    storage_setCopyPauseMs(0);
  }
  TempRoot root;
};

const char* kUsb = "/pqn/kelvo/app/KELVO/FLASH/usb/PVR/";

TEST_F(StorageTest, VolumeIsChosenByTheNameItContains) {
  struct Case {
    const char* name;
    int present;
  };
  for (const Case& c : {Case{kUsb, 1}, Case{"/data/Channel.dat", 0}, Case{"sd", 1}, Case{nullptr, 0}})
    EXPECT_EQ(storage_isPresent(c.name), c.present) << (c.name ? c.name : "null");
  // "hdd" is tried first: a path naming both volumes selects the hard disk.
  storage_setMounted("hdd", 0);
  EXPECT_EQ(storage_isMounted("/media/usb/hdd/x"), 0);
  EXPECT_EQ(storage_isMounted(kUsb), 1);
  storage_setMounted("hdd", 1);

  int32_t freeMb = 0, total = 0;
  EXPECT_EQ(storage_freeSpace(kUsb, &freeMb, &total), 0);
  EXPECT_EQ(freeMb, 2046);
  EXPECT_EQ(total, 2046);
  EXPECT_EQ(storage_diskSize(), 20480);
}

TEST_F(StorageTest, OpenModes) {
  const std::string path = "/usb/a.bin";
  root.write("/usb/existing.bin", "ab");
  struct Case {
    const char* path;
    int32_t mode;
    bool opens;
    const char* writeThis;
    const char* expected;
  };
  const Case cases[] = {
      {"/usb/missing.bin", kStorageRead, false, nullptr, nullptr},
      {"/usb/missing.bin", kStorageAppend, false, nullptr, nullptr},  // append needs the file
      {"/usb/existing.bin", kStorageAppend, true, "cd", "abcd"},
      {"/usb/existing.bin", kStorageWrite, true, "x", "x"},  // truncates
      {"/usb/new8.bin", 8, true, "n", "n"},
      {"/usb/new16.bin", 16, true, "m", "m"},
      {"/usb/existing.bin", 3, false, nullptr, nullptr},
      {"/usb/existing.bin", 0, false, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " mode " + std::to_string(c.mode));
    int32_t h = storage_open(c.path, c.mode);
    ASSERT_EQ(h >= 0, c.opens);
    if (!c.opens) continue;
    std::string data = c.writeThis;
    EXPECT_EQ(storage_write(h, data.data(), static_cast<int32_t>(data.size())), static_cast<int32_t>(data.size()));
    EXPECT_EQ(storage_close(h), 0);
    EXPECT_EQ(root.read(c.path), c.expected);
  }
  EXPECT_EQ(storage_close(-1), 0);
  EXPECT_EQ(storage_write(-1, "x", 1), -1);
  EXPECT_EQ(storage_seek(-1, 0, 0), -1);
}

TEST_F(StorageTest, TransferLimitsAndPositions) {
  std::string content(kStorageMaxTransfer + 10, 'q');
  content[0] = 'A';
  content[kStorageMaxTransfer] = 'Z';
  root.write("/hdd/big.ts", content);
  std::vector<char> buffer(kStorageMaxTransfer + 1);
  int32_t h = storage_open("/hdd/big.ts", kStorageRead);
  ASSERT_GE(h, 0);
  EXPECT_EQ(storage_read(h, buffer.data(), kStorageMaxTransfer + 1), -1);  // refused, nothing read
  EXPECT_EQ(storage_read(h, buffer.data(), kStorageMaxTransfer), kStorageMaxTransfer);
  EXPECT_EQ(buffer[0], 'A');
  EXPECT_EQ(storage_read(h, buffer.data(), 1), 1);
  EXPECT_EQ(buffer[0], 'Z');
  EXPECT_EQ(storage_write(h, buffer.data(), kStorageMaxTransfer + 1), -1);

  // Reading backwards leaves the position at the start of what was read.
  EXPECT_EQ(storage_readBefore(h, buffer.data(), 2), 2);
  EXPECT_EQ(std::string(buffer.data(), 2), "qZ");
  EXPECT_EQ(storage_seek(h, 0, 1), kStorageMaxTransfer - 1);
  EXPECT_EQ(storage_readBefore(h, buffer.data(), kStorageMaxTransfer), -1);  // would step before the start

  // Only the low 32 bits of a seek offset count.
  EXPECT_EQ(storage_seek(h, 0x100000005LL, 0), 5);
  EXPECT_EQ(storage_seek(h, 0, 2), kStorageMaxTransfer + 10);
  EXPECT_EQ(storage_read(h, buffer.data(), 4), -1);  // at the end: -1, not 0
  storage_close(h);

  EXPECT_EQ(storage_fileSize("/hdd/big.ts"), kStorageMaxTransfer + 10);
  EXPECT_EQ(storage_fileSize("/hdd/none.ts"), -1);
  EXPECT_EQ(storage_remove("/hdd/big.ts"), 0);
  EXPECT_EQ(storage_remove("/hdd/big.ts"), -1);
  EXPECT_EQ(storage_makeDirectory("/hdd/PVR"), 1);
  EXPECT_EQ(storage_removeDirectory("/hdd/PVR"), 1);
  EXPECT_EQ(storage_removeDirectory("/hdd/PVR"), 0);
}

TEST_F(StorageTest, MoveKeepsEveryByteAndTheSourceUntilDone) {
  // Larger than one read may move: the file arrives whole.
  std::string content(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  root.write("/hdd/PVR/rec.ts", content);
  EXPECT_EQ(storage_move("/hdd/PVR/rec.ts", "/usb/rec.ts"), -1);  // first three characters differ
  EXPECT_TRUE(root.exists("/hdd/PVR/rec.ts"));
  EXPECT_EQ(storage_move("/hdd/PVR/rec.ts", "/hdd/PVR/rec.ts"), -1);  // onto itself
  EXPECT_EQ(root.read("/hdd/PVR/rec.ts"), content);

  EXPECT_EQ(storage_move("/hdd/PVR/rec.ts", "/hdd/old.ts"), 0);
  EXPECT_FALSE(root.exists("/hdd/PVR/rec.ts"));
  EXPECT_EQ(root.read("/hdd/old.ts"), content);
  EXPECT_EQ(storage_move("/hdd/missing.ts", "/hdd/x.ts"), -1);
  EXPECT_FALSE(root.exists("/hdd/x.ts"));
}

std::vector<std::pair<int64_t, int64_t>> g_reports;
void record(int64_t total, int64_t done) { g_reports.emplace_back(total, done); }

TEST_F(StorageTest, CopyReportsProgressAndKeepsTheSource) {
  root.write("/hdd/a.ts", std::string(1000, 'a'));
  ASSERT_EQ(storage_makeDirectory("/usb"), 1);
  g_reports.clear();
  EXPECT_EQ(storage_copy("/hdd/a.ts", "/usb/a.ts", record), 0);
  EXPECT_EQ(g_reports, (std::vector<std::pair<int64_t, int64_t>>{{1000, 250}, {1000, 500}, {1000, 750}, {1000, 1000}}));
  EXPECT_EQ(root.read("/usb/a.ts"), std::string(1000, 'a'));

  // On the same volume too, a copy keeps its source.
  EXPECT_EQ(storage_copy("/hdd/a.ts", "/hdd/b.ts", nullptr), 0);
  EXPECT_EQ(root.read("/hdd/a.ts"), std::string(1000, 'a'));
  EXPECT_EQ(root.read("/hdd/b.ts"), std::string(1000, 'a'));

  root.write("/hdd/empty.ts", "");
  g_reports.clear();
  EXPECT_EQ(storage_copy("/hdd/empty.ts", "/usb/empty.ts", record), 0);
  EXPECT_EQ(g_reports, (std::vector<std::pair<int64_t, int64_t>>{{0, 0}}));
  EXPECT_TRUE(root.exists("/usb/empty.ts"));
  EXPECT_EQ(storage_copy("/hdd/none.ts", "/usb/none.ts", record), -1);

  // No memory for the copy buffer: the copy fails, leaves no target and never reports completion.
  const int64_t room = kPoolLimit - pool_totals().bytesInUse;
  void* hog = pool_alloc(POOL_HEAP, static_cast<int32_t>(room - 500));
  ASSERT_NE(hog, nullptr);
  g_reports.clear();
  EXPECT_EQ(storage_copy("/hdd/a.ts", "/usb/c.ts", record), -1);
  pool_free(POOL_HEAP, hog, static_cast<int32_t>(room - 500));
  EXPECT_TRUE(g_reports.empty());
  EXPECT_FALSE(root.exists("/usb/c.ts"));
  EXPECT_EQ(root.read("/hdd/a.ts"), std::string(1000, 'a'));
}

}  // namespace
