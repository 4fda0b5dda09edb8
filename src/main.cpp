// The receiver program: the receiver's window (or, without a display, a headless demonstration that
// starts, saves a picture of the screen and ends), run in the current folder as the receiver root.
#include <cstdio>
#include <filesystem>

#include "app/system/shell.h"
#include "graphics/file.h"
#include "host/display.h"
#include "host/root.h"

namespace {

constexpr const char* kDemoFolder = "screenshots";
constexpr const char* kDemoPicture = "screenshots/startup.png";

void headlessDemo() {
  Display* display = display_current();
  if (!display || display->isWindow()) return;
  file_makeDirectory(kDemoFolder);
  std::string path = host_mapPath(kDemoPicture);
  if (display->savePng(path))
    std::printf("No display: ran headless. The screen after start-up is in %s\n",
                std::filesystem::absolute(path).lexically_normal().c_str());
  else
    std::printf("No display: ran headless; the screen could not be saved to %s\n", path.c_str());
  shell_requestClose();
}

}  // namespace

int main() {
  shell_setStartedHook(headlessDemo);
  return shell_run(DisplayKind::Auto);
}
