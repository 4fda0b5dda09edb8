// Archives written by Info-ZIP and Python read back through our reader, and archives from our
// writer checked by unzip and Python.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "graphics/zip.h"
#include "host/root.h"
#include "runtime/pool.h"

namespace fs = std::filesystem;

namespace {

int run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTools() { return run("command -v zip && command -v unzip && command -v python3 >/dev/null 2>&1") == 0; }

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ZipOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveTools()) GTEST_SKIP() << "zip, unzip or python3 missing";
    char pattern[] = "/tmp/orb-ziporacle-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    host_setRoot(dir_.string());
    // Text, a large file and a binary one, in a folder tree. The binary bytes keep to 16 values, so
    // that deflate shrinks them and Info-ZIP does not fall back to storing them.
    std::string text, big, noise;
    for (int i = 0; i < 200; ++i) text += "channel " + std::to_string(i) + " Astra 19.2E\n";
    for (int i = 0; i < 40000; ++i) big += std::to_string(i * 2654435761u % 9973) + (i % 17 ? "," : "\n");
    uint32_t x = 12345;
    for (int i = 0; i < 20000; ++i) noise += static_cast<char>(((x = x * 1103515245 + 12345) >> 24) & 0x8F);
    files_ = {{"a.txt", text}, {"sub/big.csv", big}, {"sub/deeper/noise.bin", noise}};
    for (const auto& [name, content] : files_) {
      fs::create_directories((src() / name).parent_path());
      std::ofstream(src() / name, std::ios::binary) << content;
    }
  }
  void TearDown() override {
    host_setRoot(".");
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path src() const { return dir_ / "src"; }
  fs::path dir() const { return dir_; }
  std::string sh(const std::string& command) const { return "cd '" + src().string() + "' && " + command; }

  // Walks `archive` (in the root) and inflates every member; directory entries are left out.
  std::map<std::string, std::string> readBack(const std::string& archive, bool expectInflate = true) {
    int64_t before = pool_stats(POOL_ZIPFILE).bytesInUse;
    std::map<std::string, std::string> got;
    int32_t size = 0;
    uint8_t* data = zip_loadArchive(archive.c_str(), &size);
    EXPECT_NE(data, nullptr) << archive;
    ZipCursor c = zip_cursor(data, size);
    while (ZipMember* m = zip_nextMember(&c)) {
      std::string name = m->name;
      if (!name.empty() && name.back() != '/') {
        uint8_t* content = zip_inflateMember(m);
        EXPECT_EQ(content != nullptr, expectInflate) << archive << ": " << name;
        got[name] = content ? std::string(reinterpret_cast<char*>(content), m->uncompressedSize) : "<refused>";
        zip_freeData(content, static_cast<int32_t>(m->uncompressedSize));
      }
      zip_freeMember(m);
    }
    // The walk ended at the central directory, not somewhere inside the members.
    EXPECT_TRUE(c.end - c.pos >= 4 && c.pos[0] == 'P' && c.pos[1] == 'K' && c.pos[2] == 1 && c.pos[3] == 2) << archive;
    zip_freeData(data, size);
    EXPECT_EQ(pool_stats(POOL_ZIPFILE).bytesInUse, before);
    return got;
  }

  void writePython(const std::string& name, const std::string& body) { std::ofstream(dir_ / name) << body; }

  std::map<std::string, std::string> files_;

 private:
  fs::path dir_;
};

constexpr const char* kPythonWriter = R"(import os, sys, zipfile
out = sys.stdout.buffer if sys.argv[1] == '-' else open(sys.argv[1], 'wb')
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for root, dirs, names in sorted(os.walk('.')):
        for n in sorted(names):
            p = os.path.join(root, n)[2:]
            if sys.argv[2] == 'stream':
                with z.open(p, 'w') as w, open(p, 'rb') as r:
                    w.write(r.read())
            else:
                z.write(p)
)";

TEST_F(ZipOracle, ArchivesFromOtherWritersReadBackIntact) {
  writePython("write.py", kPythonWriter);
  std::string py = "python3 '" + (dir() / "write.py").string() + "' ";
  struct Case {
    const char* name;
    std::string command;  // writes ../in.zip from inside the source folder
  } cases[] = {
      {"Info-ZIP -9", "zip -q -9 -r ../in.zip ."},
      {"Info-ZIP -9 to a pipe (data descriptors)", "zip -q -9 -r - . | cat > ../in.zip"},
      {"Python zipfile", py + "../in.zip seek"},
      {"Python zipfile to a pipe (data descriptors)", py + "- stream | cat > ../in.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir() / "in.zip");
    ASSERT_EQ(run(sh(c.command)), 0);
    EXPECT_EQ(readBack("in.zip"), files_);
    // And through the file layer by name, as resources are looked up.
    for (const auto& [name, content] : files_) {
      int32_t size = 0;
      uint8_t* data = zip_findMember("/in.zip", ("data/" + name).c_str(), &size);
      ASSERT_NE(data, nullptr) << name;
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(size)), content);
      zip_freeData(data, size);
    }
  }
}

TEST_F(ZipOracle, StreamedStandardInputWithZip64Descriptor) {
  // Info-ZIP reading standard input into a pipe knows no sizes in advance: Zip64 header and descriptor.
  ASSERT_EQ(run(sh("cat sub/big.csv | zip -q -9 - - | cat > ../in.zip")), 0);
  ASSERT_EQ(run(sh("cat a.txt | zip -q -9 -fz- - - | cat > ../in32.zip")), 0);
  EXPECT_EQ(readBack("in.zip"), (std::map<std::string, std::string>{{"-", files_["sub/big.csv"]}}));
  EXPECT_EQ(readBack("in32.zip"), (std::map<std::string, std::string>{{"-", files_["a.txt"]}}));
}

TEST_F(ZipOracle, StoredMembersAreRefused) {
  ASSERT_EQ(run(sh("zip -q -0 -r ../in.zip .")), 0);
  auto got = readBack("in.zip", false);
  EXPECT_EQ(got.size(), files_.size());
  int32_t size = 0;
  EXPECT_EQ(zip_findMember("in.zip", "a.txt", &size), nullptr);
}

TEST_F(ZipOracle, OurArchivesPassUnzipAndPython) {
  std::vector<ZipWriteMember> members;
  for (const auto& [name, content] : files_)
    members.push_back({name.c_str(), content.data(), static_cast<int32_t>(content.size()), 1700000000});
  std::ofstream(src() / "empty.dat").close();
  members.push_back({"empty.dat", "", 0, 0});
  ASSERT_EQ(zip_writeArchive("ours.zip", members.data(), static_cast<int32_t>(members.size())), 1);
  std::string archive = (dir() / "ours.zip").string();
  EXPECT_EQ(run("unzip -tq '" + archive + "' > /dev/null"), 0);
  writePython("check.py", R"(import os, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
names = sorted(i.filename for i in z.infolist())
assert len(names) == 4, names
for i in z.infolist():
    assert i.compress_type == zipfile.ZIP_DEFLATED, i.filename
    assert z.read(i) == open(os.path.join(sys.argv[2], i.filename), 'rb').read(), i.filename
assert z.getinfo('a.txt').date_time == (2023, 11, 14, 22, 13, 20)
)");
  EXPECT_EQ(run("python3 '" + (dir() / "check.py").string() + "' '" + archive + "' '" + src().string() + "'"), 0);
  // Extracted by unzip, the files are the originals.
  ASSERT_EQ(run("mkdir '" + (dir() / "out").string() + "' && cd '" + (dir() / "out").string() + "' && unzip -q '" +
                archive + "'"),
            0);
  for (const auto& [name, content] : files_) EXPECT_EQ(slurp(dir() / "out" / name), content) << name;
}

TEST_F(ZipOracle, NestedArchiveFromPython) {
  writePython("nest.py", R"(import io, zipfile
inner = io.BytesIO()
with zipfile.ZipFile(inner, 'w', zipfile.ZIP_DEFLATED) as z:
    z.write('a.txt', 'iso/ISO8859.dat')
    z.write('sub/big.csv', 'iso/uppercase.dat')
with zipfile.ZipFile('../nested.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('resources.zip', inner.getvalue())
)");
  ASSERT_EQ(run(sh("python3 ../nest.py")), 0);
  int32_t size = 0;
  uint8_t* data = zip_findNestedMember("nested.zip", "iso/uppercase.dat", &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(size)), files_["sub/big.csv"]);
  zip_freeData(data, size);
}

}  // namespace
