#pragma once
// A fresh receiver root in a temporary folder for one test, removed afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/root.h"

class TempRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orb-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    host_setRoot((dir_ / "root").string());
    std::filesystem::create_directories(dir_ / "root");
  }
  void TearDown() override {
    host_setRoot(".");
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path root() const { return dir_ / "root"; }
  std::filesystem::path outside() const { return dir_; }

  void put(const std::string& rel, const std::string& content) {
    std::filesystem::path p = root() / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::string get(const std::filesystem::path& p) const {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path dir_;
};
