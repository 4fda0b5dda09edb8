#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/flash/flash_image.h"
#include "devices/flash/flash_store.h"
#include "full_task_table.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "support/temp_root.h"

namespace {

std::string pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return s;
}

bool writeFile(const char* path, const std::string& data, int32_t flags = kFlashCreate) {
  int32_t h = flash_open(path, flags);
  if (h < 0) return false;
  bool ok = flash_write(h, data.data(), static_cast<int32_t>(data.size())) == static_cast<int32_t>(data.size());
  flash_close(h);
  return ok;
}

std::string readFile(const char* path) {
  int32_t h = flash_open(path, kFlashRead);
  if (h < 0) return "<missing>";
  std::string out(static_cast<size_t>(flash_fileSize(h)), '\0');
  int32_t n = flash_read(h, out.data(), static_cast<int32_t>(out.size()));
  flash_close(h);
  return n == static_cast<int32_t>(out.size()) ? out : "<short>";
}

class FlashTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { process_init(); }
  void TearDown() override { flash_shutdown(); }
  // Starts the store with an image file present, so that it is written back.
  void startWithImageFile(const std::string& image = std::string(2, '\xFF')) {
    root.write(kFlashImagePath, image);
    ASSERT_EQ(flash_init(1024), 0);
  }
  TempRoot root;
};

TEST_F(FlashTest, FilesAndDirectories) {
  ASSERT_EQ(flash_init(1024), 0);
  const int32_t emptyFree = flash_freeBytes();
  EXPECT_EQ(emptyFree, (1024 - 64) * 1024);

  EXPECT_EQ(flash_makeDirectory("/data"), 1);
  EXPECT_EQ(flash_makeDirectory("/data"), -1);
  EXPECT_EQ(flash_makeDirectory("/none/sub"), 0);
  EXPECT_EQ(flash_createFile("/data/empty"), 1);
  EXPECT_EQ(flash_createFile("/data/empty"), -1);

  const std::string big = pattern(5000, 1);  // five clusters
  ASSERT_TRUE(writeFile("/data/Channel.dat", big));
  EXPECT_EQ(readFile("/data/Channel.dat"), big);
  EXPECT_EQ(readFile("/data/empty"), "");
  EXPECT_EQ(flash_freeBytes(), emptyFree - 6 * 1024);  // five for the file, one for the empty one

  // Append, read-write and seeking.
  ASSERT_TRUE(writeFile("/data/Channel.dat", "tail", kFlashAppend));
  EXPECT_EQ(readFile("/data/Channel.dat"), big + "tail");
  int32_t h = flash_open("/data/Channel.dat", kFlashReadWrite);
  ASSERT_GE(h, 0);
  EXPECT_EQ(flash_seek(h, 1023, 0), 1023);
  EXPECT_EQ(flash_write(h, "XY", 2), 2);  // across a cluster boundary
  EXPECT_EQ(flash_seek(h, -2, 1), 1023);
  char two[2];
  EXPECT_EQ(flash_read(h, two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "XY");
  EXPECT_EQ(flash_seek(h, 1, 2), -1);  // past the end
  EXPECT_EQ(flash_seek(h, 0, 2), 5004);
  flash_close(h);

  // Relative paths follow the current directory.
  EXPECT_EQ(flash_changeDirectory("/data"), 0);
  EXPECT_NE(readFile("Channel.dat"), "<missing>");
  EXPECT_EQ(flash_changeDirectory(".."), 0);
  EXPECT_EQ(flash_changeDirectory("/nowhere"), -1);

  // A directory with files goes only with everything below it.
  EXPECT_EQ(flash_remove("/data", 0), 0);
  EXPECT_EQ(flash_remove("/data", 1), 1);
  EXPECT_EQ(readFile("/data/Channel.dat"), "<missing>");
  EXPECT_EQ(flash_freeBytes(), emptyFree);
  EXPECT_EQ(flash_remove("/data", 1), 0);
}

TEST_F(FlashTest, SharingRulesAndHandles) {
  ASSERT_EQ(flash_init(1024), 0);
  ASSERT_TRUE(writeFile("/f", "abc"));
  EXPECT_EQ(flash_open("/missing", kFlashRead), -1);
  EXPECT_EQ(flash_makeDirectory("/dir"), 1);
  EXPECT_EQ(flash_open("/dir", kFlashReadWrite), -1);  // only files open
  EXPECT_EQ(flash_open("/f", 3), -1);

  int32_t r1 = flash_open("/f", kFlashRead), r2 = flash_open("/f", kFlashRead);
  EXPECT_GE(r1, 0);
  EXPECT_GE(r2, 0);
  for (int32_t flags : {kFlashCreate, kFlashAppend, kFlashReadWrite}) EXPECT_EQ(flash_open("/f", flags), -1);
  EXPECT_EQ(flash_remove("/f", 0), 0);  // open files stay
  EXPECT_EQ(flash_format(), -1);        // neither a format nor a check runs under open files
  EXPECT_EQ(flash_check(), -1);
  flash_close(r1);
  flash_close(r2);
  int32_t w = flash_open("/f", kFlashAppend);
  EXPECT_GE(w, 0);
  EXPECT_EQ(flash_open("/f", kFlashRead), -1);
  EXPECT_EQ(flash_write(flash_open("/f", kFlashRead), "x", 1), -1);
  flash_close(w);

  std::vector<int32_t> handles;
  for (int32_t h; (h = flash_open("/f", kFlashRead)) >= 0;) handles.push_back(h);
  EXPECT_EQ(handles.size(), static_cast<size_t>(kFlashHandles));
  for (int32_t h : handles) flash_close(h);
  EXPECT_EQ(flash_check(), 0);
}

TEST_F(FlashTest, RemovingEntriesKeepsOpenFilesAndDirectoriesPacked) {
  ASSERT_EQ(flash_init(1024), 0);
  // Fourteen files: the root's chain grows to three clusters.
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(writeFile(("/file" + std::to_string(i)).c_str(), pattern(100 + i, i)));
  int32_t last = flash_open("/file13", kFlashRead);
  ASSERT_GE(last, 0);
  // Removing an early entry moves the last one into its place; the open file still reads right.
  EXPECT_EQ(flash_remove("/file0", 0), 1);
  std::string got(113, '\0');
  EXPECT_EQ(flash_read(last, got.data(), 113), 113);
  EXPECT_EQ(got, pattern(113, 13));
  flash_close(last);
  for (int i = 1; i < 14; ++i) EXPECT_EQ(flash_remove(("/file" + std::to_string(i)).c_str(), 0), 1);
  EXPECT_EQ(flash_freeBytes(), (1024 - 64) * 1024);
  EXPECT_EQ(flash_check(), 0);  // everything consistent, nothing lost
}

TEST_F(FlashTest, ImagePersistsOnlyThroughAnExistingFile) {
  // Without the host file, nothing is written at shutdown.
  ASSERT_EQ(flash_init(1024), 0);
  ASSERT_TRUE(writeFile("/lost", "x"));
  flash_shutdown();
  EXPECT_FALSE(root.exists(kFlashImagePath));

  startWithImageFile();  // an erased image: formatted
  EXPECT_EQ(readFile("/lost"), "<missing>");
  EXPECT_EQ(flash_makeDirectory("/data"), 1);
  const std::string a = pattern(70000, 3), b = pattern(1, 4);
  ASSERT_TRUE(writeFile("/data/a", a));
  ASSERT_TRUE(writeFile("/data/b", b));
  ASSERT_TRUE(writeFile("/data/romimage.zip", "zip"));
  flash_shutdown();
  EXPECT_EQ(root.read(kFlashImagePath).size(), 1024u * 1024u);

  ASSERT_EQ(flash_init(1024), 0);
  EXPECT_EQ(readFile("/data/a"), a);
  EXPECT_EQ(readFile("/data/b"), b);
  EXPECT_EQ(readFile("/data/romimage.zip"), "<missing>");  // removed at every start
}

TEST_F(FlashTest, FlushWritesTheImage) {
  startWithImageFile();
  ASSERT_TRUE(writeFile("/settings", "on"));
  EXPECT_EQ(flash_flush(1), 0);
  const std::string saved = root.read(kFlashImagePath);
  ASSERT_EQ(saved.size(), 1024u * 1024u);
  flash_setSavingAllowed(0);
  EXPECT_EQ(flash_flush(1), 0);  // not allowed: nothing happens
  flash_setSavingAllowed(1);
  flash_shutdown();
  // The flushed image alone holds the file.
  root.write(kFlashImagePath, saved);
  ASSERT_EQ(flash_init(1024), 0);
  EXPECT_EQ(readFile("/settings"), "on");
}

int freeMutexSlots() {
  std::vector<int> made;
  for (int m; (m = process_mutex_create()) >= 0;) made.push_back(m);
  for (int m : made) process_mutex_destroy(m);
  return static_cast<int>(made.size());
}

TEST_F(FlashTest, AFlushWhoseSaveTaskCannotStartFailsWithoutUsingUpMutexes) {
  process_init();  // ends the save task of the tests before
  process_sleep(100);
  startWithImageFile();
  {
    FullTaskTable full;
    const int freeBefore = freeMutexSlots();
    for (int i = 0; i < 2 * kProcessSlots; ++i) ASSERT_EQ(flash_flush(0), -1);
    EXPECT_GE(freeMutexSlots(), freeBefore - 1);
  }
  ASSERT_TRUE(writeFile("/later", "x"));
  EXPECT_EQ(flash_flush(1), 0);  // the save task starts now and the flush completes
  EXPECT_NE(root.read(kFlashImagePath).find("later"), std::string::npos);
}

// Builds an image with a few files, saved in the root, and returns its bytes.
std::string savedImage(TempRoot& root, const std::vector<std::pair<std::string, std::string>>& files) {
  root.write(kFlashImagePath, std::string(2, '\xFF'));
  EXPECT_EQ(flash_init(1024), 0);
  flash_makeDirectory("/data");
  for (const auto& [path, content] : files) EXPECT_TRUE(writeFile(path.c_str(), content));
  flash_shutdown();
  return root.read(kFlashImagePath);
}

TEST_F(FlashTest, DamagedImagesStartAndKeepIntactFiles) {
  const std::string small = pattern(3000, 5), large = pattern(200000, 6), other = pattern(2048, 7);
  const std::string image = savedImage(root, {{"/data/small", small}, {"/data/large", large}, {"/other", other}});
  ASSERT_EQ(image.size(), 1024u * 1024u);

  struct Case {
    const char* name;
    std::string bytes;
    std::string small, large;  // what the two files hold after the repair
  };
  std::string crossLinked = image;
  // The small file's chain is sent into the large file's first cluster (clusters 64-66 and 67-262).
  crossLinked[2 * 64] = 67;
  crossLinked[2 * 64 + 1] = 0;
  std::string lostClusters = image;
  for (size_t c = 400; c < 1024; ++c) lostClusters[2 * c] = static_cast<char>(c), lostClusters[2 * c + 1] = 0x01;
  const Case cases[] = {
      // The table survives; the large file's clusters past the end read as zeros.
      {"truncated after the small file", image.substr(0, 68 * 1024), small,
       large.substr(0, 1024) + std::string(large.size() - 1024, '\0')},
      // The cluster belongs to the file that starts there; the small file keeps its first cluster.
      {"cross-linked chain", crossLinked, small.substr(0, 1024), large},
      {"lost clusters", lostClusters, small, large},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root.write(kFlashImagePath, c.bytes);
    ASSERT_EQ(flash_init(1024), 0);
    EXPECT_EQ(flash_check(), 0);  // start-up left a consistent store
    EXPECT_EQ(readFile("/data/small"), c.small);
    EXPECT_EQ(readFile("/data/large"), c.large);
    if (c.bytes.size() == image.size()) {
      EXPECT_EQ(readFile("/other"), other);
    }
    // The store is usable after the repair.
    EXPECT_TRUE(writeFile("/data/new", "fresh"));
    EXPECT_EQ(readFile("/data/new"), "fresh");
    flash_shutdown();
  }

  // Not a file store at all: formatted, and the old image is kept aside.
  root.write(kFlashImagePath, std::string(1024 * 1024, 'Z'));
  ASSERT_EQ(flash_init(1024), 0);
  EXPECT_EQ(flash_check(), 0);
  EXPECT_TRUE(root.exists(std::string(kFlashImagePath) + ".damaged"));
}

TEST(FlashImage, DroppingACrossLinkedDirectoryEntryKeepsTheRealOwner) {
  std::vector<uint8_t> bytes(128 * 1024);
  FlashImage fs(bytes.data(), 128);
  fs.format();
  FlashEntryRef a = fs.makeDirectory(fs.root(), "a");
  FlashEntryRef b = fs.makeDirectory(fs.root(), "b");
  ASSERT_TRUE(a.valid() && b.valid());
  const int32_t dirA = FlashImage::entryFirst(fs.entry(a)), dirB = FlashImage::entryFirst(fs.entry(b));
  // In b: a broken entry, then a second entry naming a's cluster. Dropping the first moves the second.
  ASSERT_TRUE(fs.addEntry(dirB, "broken", 0, 5, 7).valid());
  ASSERT_TRUE(fs.addEntry(dirB, "alias", 0, static_cast<uint16_t>(dirA), kFlashKindDirectory).valid());
  EXPECT_EQ(fs.check(), 1);
  EXPECT_EQ(fs.entryCount(dirB), 2);
  EXPECT_EQ(fs.check(), 0);  // a's own entry record was left pointing at its real entry
}

TEST(FlashImage, CheckSurvivesArbitraryBytes) {
  // Random images must neither crash nor loop, and a second check finds nothing more to repair.
  std::vector<uint8_t> bytes(128 * 1024);
  uint32_t seed = 12345;
  for (int round = 0; round < 50; ++round) {
    for (auto& b : bytes) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
    FlashImage fs(bytes.data(), 128);
    fs.format();
    // Keep a valid root but scramble the table and some directory bytes.
    for (int i = 0; i < 300; ++i) {
      seed = seed * 1103515245 + 12345;
      bytes[(seed >> 8) % (fs.root() * kFlashClusterSize + 2 * kFlashClusterSize)] = static_cast<uint8_t>(seed >> 24);
    }
    if (fs.check() >= 0) {
      EXPECT_EQ(fs.check(), 0) << "round " << round;
    }
  }
}

}  // namespace
