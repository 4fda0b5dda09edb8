// The SDL window under a private Xvfb server, checked with the X tools: its size and title
// (xwininfo) and the pixels it shows (ImageMagick's import) against the headless screen dump.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "graphics/fb.h"
#include "graphics/gc.h"
#include "host/display.h"
#include "reference_sheet.h"
#include "runtime/process.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define ORB_LEAK_CHECK_OFF() __lsan_disable()
#define ORB_LEAK_CHECK_ON() __lsan_enable()
#else
#define ORB_LEAK_CHECK_OFF()
#define ORB_LEAK_CHECK_ON()
#endif

extern char** environ;

namespace {

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

// A private X server for the test program.
class Xvfb {
 public:
  // The server picks a free display number itself and writes it to the pipe (-displayfd).
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const char* argv[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    char c;
    while (pid_ > 0 && poll(&ready, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
      stop();
      return;
    }
    name_ = ":" + number;
  }
  ~Xvfb() { stop(); }
  bool running() const { return pid_ > 0; }
  const std::string& name() const { return name_; }

 private:
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  pid_t pid_ = -1;
  std::string name_;
};

// Reads a binary PPM (P6, maxval 255) as 0xFFRRGGBB pixels.
bool readPpm(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval;
  if (!(in >> magic >> width >> height >> maxval) || magic != "P6" || maxval != 255) return false;
  in.get();
  std::vector<unsigned char> bytes(size_t(width) * size_t(height) * 3);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) return false;
  pixels.resize(size_t(width) * size_t(height));
  for (size_t i = 0; i < pixels.size(); i++)
    pixels[i] = 0xFF000000u | uint32_t(bytes[3 * i]) << 16 | uint32_t(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2];
  return true;
}

struct Recorder : DisplayEvents {
  void onKeyDown(int32_t keycode, int32_t scancode, uint16_t, bool repeat) override {
    log << "down " << keycode << " " << scancode << (repeat ? " repeat" : "") << ";";
  }
  void onKeyUp(int32_t keycode, int32_t, uint16_t) override { log << "up " << keycode << ";"; }
  void onText(const char* utf8) override { log << "text " << utf8 << ";"; }
  void onClose() override { log << "close;"; }
  std::ostringstream log;
};

void pumpFor(Display* display, DisplayEvents* events, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 20) display->pump(events, 20);
}

class Window : public testing::Test {
 protected:
  void SetUp() override {
    if (!server.running()) GTEST_SKIP() << "Xvfb cannot start here: the window check is skipped";
    // The X and D-Bus client libraries keep allocations for the life of the program.
    ORB_LEAK_CHECK_OFF();
    setenv("DISPLAY", server.name().c_str(), 1);
    static bool tasksReady = (process_init(), true);
    (void)tasksReady;
  }
  void TearDown() override {
    if (!server.running()) return;
    fb_freePlanes();
    display_close();
    ORB_LEAK_CHECK_ON();
  }
  static Xvfb server;
};
Xvfb Window::server;

// Grabs the window's client area through the X server.
std::vector<uint32_t> grab(const std::string& windowId, const std::string& display) {
  std::string path = std::string(ORB_BINARY_DIR) + "/window_grab.ppm";
  std::remove(path.c_str());
  run("import -display " + display + " -window " + windowId + " -depth 8 ppm:" + path + " 2>/dev/null");
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  if (!readPpm(path, width, height, pixels) || width != 720 || height != 576) pixels.clear();
  return pixels;
}

TEST_F(Window, ShowsTheComposedScreenWithTheRightSizeAndTitle) {
  Display* display = display_open(DisplayKind::Window, 720, 576);
  ASSERT_NE(display, nullptr) << SDL_GetError();
  EXPECT_TRUE(display->isWindow());
  fb_open(720, 576);
  ASSERT_EQ(display_current(), display);  // the bitmap is the window's
  fb_initPlanes();
  std::vector<uint32_t> video;
  drawReferenceSheet(video);
  pumpFor(display, nullptr, 500);

  std::string info = run("xwininfo -display " + server.name() + " -name 'Orbiscope Resources Editor'");
  EXPECT_NE(info.find("Width: 720\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 576\n"), std::string::npos) << info;
  size_t idAt = info.find("Window id: ");
  ASSERT_NE(idAt, std::string::npos) << info;
  std::string windowId = info.substr(idAt + 11, info.find(' ', idAt + 11) - idAt - 11);

  const std::string headless = std::string(ORB_BINARY_DIR) + "/window_headless.png";
  ASSERT_TRUE(display->savePng(headless));
  int32_t width, height;
  std::vector<uint32_t> expected;
  ASSERT_TRUE(readOwnPng(headless.c_str(), width, height, expected));
  std::vector<uint32_t> shown = grab(windowId, server.name());
  ASSERT_EQ(shown.size(), expected.size()) << "import could not grab the window";
  size_t differing = 0;
  for (size_t i = 0; i < shown.size(); i++) differing += shown[i] != expected[i];
  EXPECT_EQ(differing, 0u);

  // A flush from another thread reaches the window through the main thread's pump.
  std::thread painter([] {
    GraphicsContext* gc = gc_new(200, 200, 100, 50);
    gc_fillRect(gc, 200, 200, 100, 50, 0xFFFF00FF);
    gc_flush(gc, 200, 200, 100, 50);
    gc_free(gc);
  });
  painter.join();
  pumpFor(display, nullptr, 300);
  shown = grab(windowId, server.name());
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[size_t(220) * 720 + 250], 0xFFFF00FFu);
  EXPECT_EQ(shown[size_t(199) * 720 + 250], expected[size_t(199) * 720 + 250]);
}

TEST_F(Window, PumpForwardsKeysTextAndClose) {
  Display* display = display_open(DisplayKind::Window, 720, 576);
  ASSERT_NE(display, nullptr) << SDL_GetError();
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = SDLK_LEFT;
  event.key.keysym.scancode = SDL_SCANCODE_LEFT;
  event.key.repeat = 1;
  SDL_PushEvent(&event);
  event.type = SDL_KEYUP;
  event.key.repeat = 0;
  SDL_PushEvent(&event);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  std::snprintf(text.text.text, sizeof text.text.text, "%s", "\xC3\xA9");
  SDL_PushEvent(&text);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  Recorder recorder;
  pumpFor(display, &recorder, 200);
  std::string expected = "down " + std::to_string(SDLK_LEFT) + " " + std::to_string(SDL_SCANCODE_LEFT) + " repeat;up " +
                         std::to_string(SDLK_LEFT) + ";text \xC3\xA9;close;";
  EXPECT_EQ(recorder.log.str(), expected);
}

}  // namespace
