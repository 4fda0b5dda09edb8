// Real key presses in the receiver's window: an X server (Xvfb) and xdotool's synthetic keyboard,
// checked against the key events that reach the input task.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

bool onPath(const char* program) {
  return std::system((std::string("command -v ") + program + " > /dev/null 2>&1").c_str()) == 0;
}

// An Xvfb server on a free display number, ended with the test.
class VirtualScreen {
 public:
  bool start() {
    for (int number = 90 + getpid() % 50; number < 190; ++number) {
      if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
          fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
        continue;
      std::string display = ":" + std::to_string(number);
      char* argv[] = {const_cast<char*>("Xvfb"),        display.data(),
                      const_cast<char*>("-screen"),     const_cast<char*>("0"),
                      const_cast<char*>("1024x768x24"), const_cast<char*>("-nolisten"),
                      const_cast<char*>("tcp"),         nullptr};
      if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv, environ) != 0) return false;
      for (int i = 0; i < 100; ++i) {
        if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
          name_ = display;
          return true;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;  // lost the race for that number
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      stop();
    }
    return false;
  }
  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
  }
  ~VirtualScreen() { stop(); }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = 0;
  std::string name_;
};

std::string readAll(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WindowKeys, XdotoolKeysReachTheInputTask) {
  if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  VirtualScreen screen;
  if (!screen.start()) GTEST_SKIP() << "Xvfb cannot start";

  fs::path work = fs::temp_directory_path() / ("startup-oracle-" + std::to_string(getpid()));
  fs::create_directories(work / "root/data");
  fs::path built = fs::path(ORB_BINARY_DIR) / "root/data";
  for (const char* archive : {"resources.zip", "graphics.zip", "logo.zip", "fonts.zip"})
    if (fs::exists(built / archive)) fs::copy_file(built / archive, work / "root/data" / archive);
  std::ofstream(work / "keys.script") << "wait-until input-enabled timeout 30000\n"
                                         "expect keys 0\n"
                                         "wait-until keys 9 timeout 20000\n"
                                         "wait 300\n"
                                         "dump keys.json\n"
                                         "expect keys 9\n"
                                         "screenshot window.png\n";
  std::string env = "DISPLAY=" + screen.name() + " ";
  // The window's system libraries (D-Bus, X libraries loaded and unloaded by SDL) keep blocks at exit
  // that the leak checker cannot attribute; the headless runs check our own code for leaks.
  std::string leaks = "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" ";
  std::string command = "cd '" + work.string() + "' && " + env + leaks +
                        "'" ORB_REMOTE "' --window --root root --script keys.script --timeout 60 2>&1";
  FILE* remote = popen(command.c_str(), "r");
  ASSERT_NE(remote, nullptr);
  std::string output;
  char line[1024];
  bool waiting = false;
  while (!waiting && std::fgets(line, sizeof(line), remote)) {
    output += line;
    waiting = std::string(line).find("3: wait-until keys 9") != std::string::npos;
  }
  ASSERT_TRUE(waiting) << output;
  std::string keys = env +
                     "xdotool search --name 'Orbiscope Resources Editor' windowfocus --sync "
                     "key --delay 50 alt+a Home F2 ctrl+m && " +
                     env + "xdotool type --delay 50 a";
  EXPECT_EQ(std::system(keys.c_str()), 0);
  while (std::fgets(line, sizeof(line), remote)) output += line;
  int status = pclose(remote);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;

  // Alt+A gives nothing (a system key); Home, F2 and Ctrl+M as presses and releases of their remote
  // keys (Ctrl itself gives nothing); 'a' as its key (A, 65) around the typed character.
  std::string json = readAll(work / "keys.json");
  const char* expected[] = {
      "{\"kind\": \"pressed\", \"code\": 3923", "{\"kind\": \"released\", \"code\": 3923",
      "{\"kind\": \"pressed\", \"code\": 404",  "{\"kind\": \"released\", \"code\": 404",
      "{\"kind\": \"pressed\", \"code\": 3860", "{\"kind\": \"released\", \"code\": 3860",
      "{\"kind\": \"pressed\", \"code\": 65}",  "{\"kind\": \"typed\", \"code\": 97}",
      "{\"kind\": \"released\", \"code\": 65}",
  };
  size_t at = json.find("\"keys\"");
  for (const char* event : expected) {
    at = json.find(event, at);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << event << "\n" << json << "\n" << output;
  }
  EXPECT_NE(json.find("\"window\": true"), std::string::npos) << json;
  fs::remove_all(work);
}

}  // namespace
