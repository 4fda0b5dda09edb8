#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/system/window_proc.h"
#include "host/message_box.h"
#include "host/root.h"

namespace {

namespace fs = std::filesystem;

struct Box {
  std::string caption;
  std::string text;
  bool operator==(const Box&) const = default;
};

std::vector<Box> g_boxes;
BoxAnswer g_answer = BoxAnswer::No;

BoxAnswer answer(const char* caption, const char* text, BoxButtons buttons, void*) {
  g_boxes.push_back({caption ? caption : "", text});
  return buttons == BoxButtons::YesNo ? g_answer : BoxAnswer::Ok;
}

const Box kInquiry{"Inquiry", "Do you want to build a binary image of resources?"};

class Close : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("startup-close-" + std::to_string(::getpid()));
    fs::create_directories(root);
    host_setRoot(root.string());
    g_boxes.clear();
    host_setMessageBoxAnswerer(answer, nullptr);
  }
  void TearDown() override {
    host_setMessageBoxAnswerer(nullptr, nullptr);
    fs::remove_all(root);
  }
  // A builder that leaves a mark in its working folder.
  void writeBuilder(const char* body, mode_t mode) {
    fs::path builder = root / kResourceBuilder;
    std::ofstream(builder) << "#!/bin/sh\n" << body << "\n";
    ::chmod(builder.c_str(), mode);
  }
  fs::path root;
};

TEST_F(Close, NoClosesAtOnce) {
  writeBuilder("touch built", 0755);
  g_answer = BoxAnswer::No;
  EXPECT_EQ(window_askResourceImage(), 0);
  EXPECT_EQ(g_boxes, std::vector<Box>{kInquiry});
  EXPECT_FALSE(fs::exists(root / "built"));
}

TEST_F(Close, YesRunsTheBuilderInTheRootAndWaits) {
  writeBuilder("sleep 0.2; pwd > built", 0755);
  g_answer = BoxAnswer::Yes;
  EXPECT_EQ(window_askResourceImage(), 0);
  EXPECT_EQ(g_boxes, (std::vector<Box>{kInquiry, {"Information", "Process build image was completed"}}));
  std::string where;
  std::getline(std::ifstream(root / "built"), where);
  EXPECT_EQ(fs::canonical(where), fs::canonical(root));
}

// The builder gets none of the receiver's open files.
TEST_F(Close, TheBuilderInheritsNoOpenFile) {
  int fd = ::open((root / "held").c_str(), O_RDWR | O_CREAT, 0644);  // inheritable
  ASSERT_GE(fd, 3);
  std::string check = "[ -e /proc/$$/fd/" + std::to_string(fd) + " ] && touch leaked; touch built";
  writeBuilder(check.c_str(), 0755);
  g_answer = BoxAnswer::Yes;
  EXPECT_EQ(window_askResourceImage(), 0);
  ::close(fd);
  EXPECT_TRUE(fs::exists(root / "built"));
  EXPECT_FALSE(fs::exists(root / "leaked"));
}

TEST_F(Close, YesWithoutTheBuilder) {
  g_answer = BoxAnswer::Yes;
  EXPECT_EQ(window_askResourceImage(), 0);
  EXPECT_EQ(g_boxes, (std::vector<Box>{kInquiry, {"Error", "Resource image builder does not exist!"}}));
}

// A builder that cannot be started: the error box, and its number as the exit code.
TEST_F(Close, YesWithABuilderThatCannotStart) {
  writeBuilder("touch built", 0644);
  g_answer = BoxAnswer::Yes;
  EXPECT_EQ(window_askResourceImage(), EACCES);
  EXPECT_EQ(g_boxes,
            (std::vector<Box>{kInquiry, {"Error", "Build resource image failed with error 13: Permission denied"}}));
  EXPECT_FALSE(fs::exists(root / "built"));
}

}  // namespace
