#include "app/system/system_init.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/system/loading_screen.h"
#include "devices/flash/flash_store.h"
#include "graphics/fb.h"
#include "host/display.h"
#include "host/root.h"
#include "runtime/input/input.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> names(const std::vector<SystemStep>& steps, bool shutdown) {
  std::vector<std::string> out;
  for (const SystemStep& step : steps)
    if ((step.name.rfind("shutdown ", 0) == 0) == shutdown) out.push_back(step.name);
  return out;
}

// A root with nothing in it: no configuration, no logo, no fonts.
TEST(SystemInit, RunsEveryStepInOrderAndShutsDownInOrder) {
  fs::path root = fs::temp_directory_path() / ("startup-system-" + std::to_string(::getpid()));
  fs::create_directories(root / "mhp");
  std::ofstream(root / "mhp/fs_flash").flush();  // an empty image: formatted afresh, written back at the end
  host_setRoot(root.string());
  ASSERT_NE(display_open(DisplayKind::Headless, 720, 576), nullptr);

  system_init();
  EXPECT_EQ(names(system_steps(), false),
            (std::vector<std::string>{"tasks", "identity", "heap statistics", "clock", "list store", "framebuffer",
                                      "flash store", "planes", "video decoder", "loading shift", "input", "fonts",
                                      "loading screen", "boot logo", "mass storage", "started", "network",
                                      "loading stop", "key input"}));
  EXPECT_TRUE(system_isStarted());
  EXPECT_TRUE(input_isEnabled());
  EXPECT_GE(input_taskIndex(), 0);
  EXPECT_EQ(loading_taskIndex(), -1);
  EXPECT_EQ(flash_isStarted(), 1);
  // The loading square sits at y = 420 without a configuration, over the video plane's fill colour.
  std::vector<uint32_t> screen = display_current()->copy();
  auto at = [&](int x, int y) { return screen[size_t(y) * 720 + size_t(x)] & 0xFFFFFF; };
  uint32_t square = at(kLoadingSquareX + 20, kLoadingSquareY + 20);
  EXPECT_NE(square, kVideoFill & 0xFFFFFF);
  EXPECT_EQ(square >> 16, square & 0xFF) << std::hex << square;  // a grey
  EXPECT_EQ(at(kLoadingSquareX + 20, kLoadingSquareY - 2), kVideoFill & 0xFFFFFF);
  EXPECT_EQ(at(600, 100), kVideoFill & 0xFFFFFF);  // no logo in this root

  system_shutdown();
  EXPECT_EQ(names(system_steps(), true),
            (std::vector<std::string>{"shutdown input", "shutdown mass storage", "shutdown video decoder",
                                      "shutdown planes", "shutdown flash store", "shutdown list store"}));
  EXPECT_FALSE(input_isEnabled());
  EXPECT_EQ(input_taskIndex(), -1);
  EXPECT_EQ(fb_osdPlane(), nullptr);
  EXPECT_EQ(flash_isStarted(), 0);
  EXPECT_EQ(fs::file_size(root / "mhp/fs_flash"), 1024u * 1024u);
  fb_close();
  fs::remove_all(root);
}

}  // namespace
