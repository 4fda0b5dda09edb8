#include "graphics/file.h"

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/pool.h"
#include "support/temp_root.h"

namespace {

using FileLayer = TempRootTest;

std::string readAllOf(int32_t handle) {
  std::string out;
  char buffer[7];
  int32_t n;
  while ((n = file_read(handle, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  EXPECT_EQ(n, 0);
  return out;
}

TEST_F(FileLayer, ReceiverPathsResolveInsideTheRoot) {
  write("data/a.dat", "alpha");
  write("pqn/kelvo/app/kelvo/flash/f.bin", "flash");
  struct Case {
    const char* path;
    const char* content;  // null: the open fails
  } cases[] = {
      {"data/a.dat", "alpha"},
      {"/data/a.dat", "alpha"},
      {"\\data\\a.dat", "alpha"},
      {"//data//a.dat", "alpha"},
      {"/PQN/Kelvo/APP/kelvo/Flash/f.bin", "flash"},
      {"data/../data/a.dat", nullptr},
      {"../root/data/a.dat", nullptr},
      {"", nullptr},
      {"data", nullptr},  // a directory is not a file
      {"data/missing.dat", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    int32_t h = file_open(c.path, kFileBinary, nullptr);
    if (!c.content) {
      EXPECT_EQ(h, -1);
      EXPECT_EQ(file_size(c.path, nullptr), -1);
      continue;
    }
    ASSERT_GE(h, 0);
    ASSERT_LT(h, kFileHostLimit);
    EXPECT_EQ(readAllOf(h), c.content);
    EXPECT_EQ(file_size(c.path, nullptr), static_cast<int32_t>(strlen(c.content)));
    EXPECT_EQ(file_close(h), 0);
  }
}

TEST_F(FileLayer, OpenFlagsHaveTheirCLibraryMeaning) {
  struct Case {
    const char* name;
    int32_t flags;
    bool exists;
    const char* write;    // written after opening (null: nothing)
    int32_t writeResult;  // file_write's result
    bool opens;
    const char* after;  // file content afterwards (null: no file)
  } cases[] = {
      {"read only", kFileBinary, true, "x", -1, true, "old"},
      {"create new", kFileCreate | kFileWriteOnly | kFileBinary, false, "new", 3, true, "new"},
      {"without create", kFileWriteOnly | kFileBinary, false, nullptr, 0, false, nullptr},
      {"write over start", kFileWriteOnly, true, "N", 1, true, "Nld"},
      {"truncate", kFileCreate | kFileTruncate | kFileWriteOnly | kFileBinary, true, "ab", 2, true, "ab"},
      {"append", kFileAppend | kFileWriteOnly | kFileText, true, "er", 2, true, "older"},
      {"exclusive on existing", kFileCreate | kFileExclusive | kFileWriteOnly, true, nullptr, 0, false, "old"},
      {"exclusive on new", kFileCreate | kFileExclusive | kFileReadWrite, false, "z", 1, true, "z"},
      {"bad access mode", 3 | kFileCreate, false, nullptr, 0, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(root() / "f.dat");
    if (c.exists) write("f.dat", "old");
    int32_t h = file_open("f.dat", c.flags, nullptr);
    EXPECT_EQ(h >= 0, c.opens);
    if (h >= 0) {
      if (c.write) {
        EXPECT_EQ(file_write(h, c.write, static_cast<int32_t>(strlen(c.write))), c.writeResult);
      }
      file_close(h);
    }
    EXPECT_EQ(std::filesystem::exists(root() / "f.dat"), c.after != nullptr);
    if (c.after) {
      EXPECT_EQ(readHost(root() / "f.dat"), c.after);
    }
  }
  // Created files are readable and writable by their owner.
  int32_t h = file_open("new.dat", kFileCreate | kFileWriteOnly, nullptr);
  file_close(h);
  auto perms = std::filesystem::status(root() / "new.dat").permissions();
  EXPECT_EQ(perms & std::filesystem::perms::owner_all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(FileLayer, SeekReadAndWriteResults) {
  write("s.bin", "0123456789");
  int32_t h = file_open("s.bin", kFileReadWrite | kFileBinary, nullptr);
  ASSERT_GE(h, 0);
  char b[4] = {};
  EXPECT_EQ(file_seek(h, 2, kFileSeekEnd), 12);
  EXPECT_EQ(file_read(h, b, 4), 0);
  EXPECT_EQ(file_seek(h, -3, kFileSeekEnd), 7);
  EXPECT_EQ(file_read(h, b, 4), 3);
  EXPECT_EQ(std::string(b, 3), "789");
  EXPECT_EQ(file_seek(h, 1, kFileSeekSet), 1);
  EXPECT_EQ(file_seek(h, 2, kFileSeekCurrent), 3);
  EXPECT_EQ(file_write(h, "ab", 2), 2);
  EXPECT_EQ(file_seek(h, -1, kFileSeekSet), -1);
  EXPECT_EQ(file_seek(h, 0, 3), -1);
  EXPECT_EQ(file_read(h, b, -1), -1);
  EXPECT_EQ(file_read(h, nullptr, 1), -1);
  EXPECT_EQ(file_close(h), 0);
  EXPECT_EQ(readHost(root() / "s.bin"), "012ab56789");
  // A closed handle is gone.
  EXPECT_EQ(file_read(h, b, 1), -1);
  EXPECT_EQ(file_close(h), -1);
}

TEST_F(FileLayer, HandlesOutsideTheHostFilesAnswerFailure) {
  char b[1];
  // Descriptors this layer did not open (stdout, stderr), the archive store, the carousel range and beyond.
  for (int32_t h : {-1, 1, 2, 1023, 1024, 1055, 1056, 1183, 1184, 100000}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(file_read(h, b, 1), -1);
    EXPECT_EQ(file_write(h, "x", 1), -1);
    EXPECT_EQ(file_seek(h, 0, kFileSeekSet), -1);
    EXPECT_EQ(file_close(h), -1);
  }
  EXPECT_EQ(file_open("nothing/here", kFileBinary, nullptr), -1);
  EXPECT_EQ(file_open("/nothing/here", kFileBinary, reinterpret_cast<ObjectCarousel*>(&b)), -1);
  EXPECT_EQ(file_open(nullptr, kFileBinary, nullptr), -1);
}

TEST_F(FileLayer, HostDescriptorsNeverReachTheArchiveRange) {
  write("x.dat", "x");
  // Occupy every free descriptor below the limit, so the next open would get one above it.
  std::vector<int> held;
  for (;;) {
    int fd = dup(0);
    if (fd < 0) break;
    if (fd >= kFileHostLimit) {
      close(fd);
      break;
    }
    held.push_back(fd);
  }
  EXPECT_EQ(file_open("x.dat", kFileBinary, nullptr), -1);
  for (int fd : held) close(fd);
  int32_t h = file_open("x.dat", kFileBinary, nullptr);
  EXPECT_GE(h, 0);
  file_close(h);
}

TEST_F(FileLayer, ReadLineKeepsNewlinesAndTerminates) {
  write("lines.txt", "one\ntwo-long-line\n\nlast");
  int32_t h = file_open("lines.txt", kFileBinary, nullptr);
  ASSERT_GE(h, 0);
  char b[6];
  std::vector<std::string> got;
  while (file_readLine(h, b, sizeof b)) got.push_back(b);
  EXPECT_EQ(got, (std::vector<std::string>{"one\n", "two-l", "ong-l", "ine\n", "\n", "last"}));
  EXPECT_EQ(b[0], '\0');
  EXPECT_EQ(file_readLine(h, b, 0), 0);
  EXPECT_EQ(file_readLine(h, nullptr, 5), 0);
  file_close(h);
}

TEST_F(FileLayer, DirectoriesRemovalAndKinds) {
  EXPECT_EQ(file_kind("pvr"), kFileKindNone);
  EXPECT_EQ(file_makeDirectory("/pvr"), 1);
  EXPECT_EQ(file_makeDirectory("pvr"), 0);
  EXPECT_EQ(file_kind("\\pvr"), kFileKindDirectory);
  write("pvr/rec.met", "m");
  EXPECT_EQ(file_kind("pvr/rec.met"), kFileKindFile);
  EXPECT_EQ(file_removeDirectory("pvr"), 0);  // not empty
  EXPECT_EQ(file_remove("pvr/rec.met"), 1);
  EXPECT_EQ(file_remove("pvr/rec.met"), 0);
  EXPECT_EQ(file_removeDirectory("pvr"), 1);
  EXPECT_EQ(file_kind("pvr"), kFileKindNone);
  // Paths that would leave the root are refused and touch nothing.
  std::ofstream(outside() / "keep") << "k";
  EXPECT_EQ(file_remove("../keep"), 0);
  EXPECT_EQ(file_kind("../keep"), kFileKindNone);
  EXPECT_EQ(file_makeDirectory("../made"), 0);
  EXPECT_TRUE(std::filesystem::exists(outside() / "keep"));
  EXPECT_FALSE(std::filesystem::exists(outside() / "made"));
}

TEST_F(FileLayer, WholeFileReadsAndReplacingWrites) {
  int64_t before = pool_stats(POOL_FILE).bytesInUse;
  int32_t size = -5;
  EXPECT_EQ(file_readAll("data/none.bin", POOL_FILE, &size), nullptr);
  EXPECT_EQ(size, 0);

  ASSERT_EQ(file_writeAll("/data/w.bin", "first", 5), 0);  // no "data" folder yet
  EXPECT_FALSE(std::filesystem::exists(root() / "data"));
  std::filesystem::create_directories(root() / "data");
  ASSERT_EQ(file_writeAll("/data/w.bin", "first", 5), 1);
  ASSERT_EQ(file_writeAll("data\\w.bin", "second!", 7), 1);
  uint8_t* data = file_readAll("data/w.bin", POOL_FILE, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(size)), "second!");
  pool_free(POOL_FILE, data, size);
  EXPECT_EQ(pool_stats(POOL_FILE).bytesInUse, before);
  // Only the file itself is left: no temporary files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root() / "data"), {}), 1);
  ASSERT_EQ(file_writeAll("data/empty.bin", "", 0), 1);
  data = file_readAll("data/empty.bin", POOL_FILE, &size);
  EXPECT_NE(data, nullptr);
  EXPECT_EQ(size, 0);
  pool_free(POOL_FILE, data, size);
  EXPECT_EQ(file_writeAll("../escape.bin", "x", 1), 0);
  EXPECT_FALSE(std::filesystem::exists(outside() / "escape.bin"));
}

}  // namespace
