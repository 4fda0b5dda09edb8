#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "charset_fixture.h"
#include "runtime/text/dvbtext.h"
#include "runtime/text/wstr.h"

namespace {

// Tasks that meet the tables for the first time together: one loads them, all of them read the
// loaded tables.
TEST(TablesTasksTest, FirstUseFromSeveralTasksAtOnce) {
  useFixtureTables();
  std::atomic<int> wrong{0};
  std::vector<std::thread> tasks;
  for (int t = 0; t < 4; ++t) {
    tasks.emplace_back([&] {
      const uint8_t bytes[] = {0xC2, 'e', 0xB0};
      for (int i = 0; i < 200; ++i) {
        char16_t dst[4];
        if (wstr_compareNoCase(u"München", u"MÜNCHEN") != 0) ++wrong;
        if (dvbtext_decode(bytes, dst, 3, 1) != 2 || dst[0] != u'é' || dst[1] != u'°') ++wrong;
      }
    });
  }
  for (std::thread& t : tasks) t.join();
  EXPECT_EQ(wrong, 0);
  charset_unloadTables();
}

}  // namespace
