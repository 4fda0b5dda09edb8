// The scripted remote against a fresh receiver root made from the build's resource archives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class Remote : public ::testing::Test {
 protected:
  void SetUp() override {
    work = fs::temp_directory_path() / ("startup-e2e-" + std::to_string(::getpid()));
    root = work / "root";
    fs::create_directories(root / "data");
    fs::path built = fs::path(ORB_BINARY_DIR) / "root/data";
    for (const char* archive : {"resources.zip", "graphics.zip", "logo.zip", "fonts.zip"})
      if (fs::exists(built / archive)) fs::copy_file(built / archive, root / "data" / archive);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(work);
  }
  // Runs the remote in the work folder; its exit status, with its output in *output.
  int run(const char* script, std::string* output) {
    std::string command = "cd '" + work.string() + "' && '" ORB_REMOTE "' --root root --script '" ORB_SCRIPTS "/" +
                          script + "' --timeout 60 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output->append(buffer, n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::path work, root;
};

TEST_F(Remote, BootShowsTheLoadingScreenOverTheLogo) {
  ASSERT_TRUE(fs::exists(root / "data/logo.zip")) << "the build's root has no logo";
  std::string output;
  EXPECT_EQ(run("boot.script", &output), 0) << output;
  EXPECT_GT(fs::file_size(work / "startup.png"), 1000u);
  std::ifstream dump(work / "startup.json");
  std::string json((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  EXPECT_NE(json.find("\"inputEnabled\": true"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"name\": \"key input\""), std::string::npos) << json;
  EXPECT_NE(output.find("input enabled "), std::string::npos) << output;
}

TEST_F(Remote, LoadingTexts) {
  if (!fs::exists(root / "data/fonts.zip")) GTEST_SKIP() << "the build's root has no fonts.zip yet";
  std::string output;
  EXPECT_EQ(run("loading_texts.script", &output), 0) << output;
}

TEST_F(Remote, KeysBeforeInputIsEnabledProduceNothing) {
  std::string output;
  EXPECT_EQ(run("early_keys.script", &output), 0) << output;
}

TEST_F(Remote, CloseWithYesRunsTheBuilder) {
  fs::path builder = root / "buildResImg";
  std::ofstream(builder) << "#!/bin/sh\necho image > image.done\n";
  ::chmod(builder.c_str(), 0755);
  std::string output;
  EXPECT_EQ(run("close.script", &output), 0) << output;
  EXPECT_TRUE(fs::exists(root / "image.done"));
  EXPECT_NE(output.find("[MESSAGE BOX] Information: Process build image was completed"), std::string::npos) << output;
}

// A builder that cannot be started: the error box, then a normal shutdown that writes the flash image
// back, and the error number as the receiver's exit code.
TEST_F(Remote, ABuilderThatCannotStartStillShutsDownNormally) {
  fs::path builder = root / "buildResImg";
  std::ofstream(builder) << "#!/bin/sh\necho image > image.done\n";
  ::chmod(builder.c_str(), 0644);
  fs::create_directories(root / "mhp");
  std::ofstream(root / "mhp/fs_flash").flush();
  std::string output;
  EXPECT_EQ(run("close.script", &output), 0) << output;
  EXPECT_NE(output.find("[MESSAGE BOX] Error: Build resource image failed with error 13: Permission denied"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("receiver exit code 13"), std::string::npos) << output;
  EXPECT_EQ(fs::file_size(root / "mhp/fs_flash"), 1024u * 1024u);
  EXPECT_FALSE(fs::exists(root / "image.done"));
}

// A failing step fails the run (status 1); a malformed script is refused before the receiver boots
// (status 2).
TEST_F(Remote, FailingAndMalformedScripts) {
  struct Case {
    const char* script;
    int status;
    const char* says;
  } cases[] = {
      {"wait-until started timeout 30000\nexpect keys 5\n", 1, "2: FAILED: does not hold"},
      {"wait-until keys 1 timeout 100\n", 1, "1: FAILED: timed out after 100 ms"},
      {"wait 10\nfly away\n", 2, "line 2: unknown step \"fly\""},
      {"press NoSuchKey\n", 2, "line 1: unknown key \"NoSuchKey\""},
      {"expect keys\n", 2, "line 1: keys N"},
      {"clock 2024-13-01 00:00:00\n", 2, "line 1: usage: clock"},
      {"close\nexpect keys 0\n", 2, "line 2: no step may follow close"},
  };
  for (const Case& c : cases) {
    std::ofstream(work / "case.script") << c.script;
    std::string command =
        "cd '" + work.string() + "' && '" ORB_REMOTE "' --root root --script case.script --timeout 60 > out.txt 2>&1";
    int status = std::system(command.c_str());
    std::ifstream out(work / "out.txt");
    std::string output((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << c.script << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.script << output;
  }
}

}  // namespace
