// Files and archives used from several tasks at once.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "graphics/file.h"
#include "graphics/zip.h"
#include "support/temp_root.h"

namespace {

using FilesAcrossTasks = TempRootTest;

TEST_F(FilesAcrossTasks, ConcurrentOpensReadsAndArchiveLookups) {
  std::string text(5000, 'r');
  ZipWriteMember member = {"res/strings.dat", text.data(), static_cast<int32_t>(text.size()), 0};
  ASSERT_EQ(zip_writeArchive("res.zip", &member, 1), 1);
  write("plain.txt", "plain text\n");
  std::atomic<int> failures{0};
  std::vector<std::thread> tasks;
  for (int t = 0; t < 4; ++t) {
    tasks.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        int32_t h = file_open("plain.txt", kFileBinary, nullptr);
        char line[32];
        if (h < 0 || !file_readLine(h, line, sizeof line) || std::string(line) != "plain text\n") ++failures;
        if (file_close(h) != 0) ++failures;
        int32_t size = 0;
        uint8_t* data = zip_findMember("res.zip", "data/res/strings.dat", &size);
        if (!data || size != static_cast<int32_t>(text.size())) ++failures;
        zip_freeData(data, size);
        std::string own = "own" + std::to_string(t) + ".dat";
        if (!file_writeAll(own.c_str(), own.data(), static_cast<int32_t>(own.size()))) ++failures;
      }
    });
  }
  for (auto& task : tasks) task.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
