#pragma once
// A fresh receiver root in a temporary folder, removed afterwards, with small file helpers. Paths
// given as receiver paths ("/data/a.dat", "data/a.dat") are mapped into the root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/root.h"

class TempRoot {
 public:
  TempRoot() {
    char pattern[] = "/tmp/orbiscope-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    dir_ = pattern;
    std::filesystem::create_directories(dir_ / "root");
    host_setRoot((dir_ / "root").string());
  }
  ~TempRoot() {
    host_setRoot(".");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  std::filesystem::path root() const { return dir_ / "root"; }
  // The folder that holds the root: nothing may ever be written there.
  std::filesystem::path outside() const { return dir_; }
  std::string host(const std::string& receiverPath) const { return host_mapPath(receiverPath); }

  void write(const std::string& receiverPath, const std::string& bytes) const {
    std::filesystem::path p = host(receiverPath);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  std::string read(const std::string& receiverPath) const { return readHost(host(receiverPath)); }
  bool exists(const std::string& receiverPath) const { return std::filesystem::exists(host(receiverPath)); }
  static std::string readHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path dir_;
};

// A test fixture with a fresh root for every test.
class TempRootTest : public ::testing::Test, public TempRoot {};
