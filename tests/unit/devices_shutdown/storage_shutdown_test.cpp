// Shutdown takes the mass-storage lock for good, so it gets a test program of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "devices/storage/storage.h"
#include "runtime/process.h"

TEST(StorageShutdown, FileOperationsWaitForEverAfterwards) {
  process_init();
  storage_init();
  EXPECT_EQ(storage_isMounted("hdd"), 1);
  storage_shutdown();
  storage_shutdown();  // only the first call acts
  EXPECT_EQ(storage_isMounted("hdd"), 0);
  EXPECT_EQ(storage_isMounted("usb"), 1);

  std::atomic<bool> returned{false};
  std::thread([&] {
    storage_open("/usb/x", kStorageRead);
    returned = true;
  }).detach();
  process_sleep(200);
  EXPECT_FALSE(returned);
  // Operations without the lock still answer.
  EXPECT_EQ(storage_remove("/usb/none"), -1);
}
