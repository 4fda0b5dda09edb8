#include "graphics/zip.h"

#include <string>
#include <vector>

#include "runtime/pool.h"
#include "support/temp_root.h"
#include "zip_bytes_builder.h"

namespace {

struct Walked {
  std::string name;
  uint16_t method;
  uint32_t crc, csize, usize;
  std::string content;  // inflated, or "<null>"
};

std::vector<Walked> walk(const uint8_t* data, int32_t size) {
  std::vector<Walked> out;
  ZipCursor c = zip_cursor(data, size);
  while (ZipMember* m = zip_nextMember(&c)) {
    EXPECT_GE(m->data, data);
    EXPECT_LE(m->data + m->compressedSize, data + size);
    uint8_t* inflated = zip_inflateMember(m);
    std::string content = inflated ? std::string(reinterpret_cast<char*>(inflated), m->uncompressedSize) : "<null>";
    zip_freeData(inflated, static_cast<int32_t>(m->uncompressedSize));
    out.push_back({m->name, m->method, m->crc32, m->compressedSize, m->uncompressedSize, content});
    zip_freeMember(m);
  }
  return out;
}

std::string bigText() {
  std::string s;
  for (int i = 0; i < 5000; ++i) s += "line " + std::to_string(i * 7919 % 1000) + "\n";
  return s;
}

class Zip : public TempRootTest {
 protected:
  void SetUp() override {
    TempRootTest::SetUp();
    zipBytesBefore_ = pool_stats(POOL_ZIPFILE).bytesInUse;
  }
  void TearDown() override {
    // Every member record and buffer handed out was given back.
    EXPECT_EQ(pool_stats(POOL_ZIPFILE).bytesInUse, zipBytesBefore_);
    TempRootTest::TearDown();
  }
  std::string build(const std::vector<ZipWriteMember>& members) {
    int32_t size = 0;
    uint8_t* a = zip_buildArchive(members.data(), static_cast<int32_t>(members.size()), &size);
    EXPECT_NE(a, nullptr);
    std::string s(reinterpret_cast<char*>(a), static_cast<size_t>(size));
    zip_freeData(a, size);
    return s;
  }
  int64_t zipBytesBefore_ = 0;
};

TEST_F(Zip, WrittenArchivesWalkAndInflateBack) {
  std::string big = bigText();
  std::string binary;
  for (int i = 0; i < 3000; ++i) binary += static_cast<char>(i * 131 % 256);
  std::vector<ZipWriteMember> members = {
      {"iso/uppercase.dat", big.data(), static_cast<int32_t>(big.size()), 1041424496},  // 2003-01-01 12:34:56
      {"empty.dat", nullptr, 0, 0},
      {"bin/x.bin", binary.data(), static_cast<int32_t>(binary.size()), 0},
  };
  std::string archive = build(members);
  auto got = walk(reinterpret_cast<const uint8_t*>(archive.data()), static_cast<int32_t>(archive.size()));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].name, "iso/uppercase.dat");
  EXPECT_EQ(got[0].content, big);
  EXPECT_LT(got[0].csize, big.size() / 4);
  EXPECT_EQ(got[1].content, "");
  EXPECT_EQ(got[1].method, kZipMethodDeflated);  // even an empty member is deflated
  EXPECT_EQ(got[2].content, binary);
  // Time stamps in DOS form; anything before 1980 is 1980-01-01 00:00.
  ZipCursor c = zip_cursor(archive.data(), static_cast<int32_t>(archive.size()));
  ZipMember* first = zip_nextMember(&c);
  ZipMember* second = zip_nextMember(&c);
  EXPECT_EQ(first->modDate, (23 << 9) | (1 << 5) | 1);
  EXPECT_EQ(first->modTime, (12 << 11) | (34 << 5) | 28);
  EXPECT_EQ(second->modDate, (1 << 5) | 1);
  EXPECT_EQ(second->modTime, 0);
  zip_freeMember(first);
  zip_freeMember(second);
}

TEST_F(Zip, WalkStopsAtTheCentralDirectoryAndOnForeignBytes) {
  ZipBytes central;
  central.central();
  ZipBytes junk;
  junk.raw("not a zip archive at all, just text");
  for (const ZipBytes* b : {&central, &junk}) {
    ZipCursor c = zip_cursor(b->data(), b->size());
    EXPECT_EQ(zip_nextMember(&c), nullptr);
    EXPECT_EQ(c.pos, b->data());  // the cursor stays
  }
  ZipCursor none = zip_cursor(nullptr, 10);
  EXPECT_EQ(zip_nextMember(&none), nullptr);
  EXPECT_EQ(zip_nextMember(nullptr), nullptr);
}

TEST_F(Zip, InflateRefusesWhatIsNotAnIntactDeflatedMember) {
  std::string text = "stored text, stored text, stored text";
  struct Case {
    const char* name;
    ZipBytes bytes;
  } cases[] = {
      {"stored", ZipBytes().member("s.txt", text, kZipMethodStored)},
      {"stored empty", ZipBytes().member("e.txt", "", kZipMethodStored)},
      {"wrong crc", ZipBytes()
                        .local("c.txt", 0, 8, crcOf(text) ^ 1, static_cast<uint32_t>(rawDeflate(text).size()),
                               static_cast<uint32_t>(text.size()))
                        .raw(rawDeflate(text))},
      {"size too small", ZipBytes()
                             .local("t.txt", 0, 8, crcOf(text), static_cast<uint32_t>(rawDeflate(text).size()),
                                    static_cast<uint32_t>(text.size() - 1))
                             .raw(rawDeflate(text))},
      {"size too large", ZipBytes()
                             .local("l.txt", 0, 8, crcOf(text), static_cast<uint32_t>(rawDeflate(text).size()),
                                    static_cast<uint32_t>(text.size() + 1))
                             .raw(rawDeflate(text))},
      {"bomb claim", ZipBytes().local("b.txt", 0, 8, 0, 4, 5000000).raw("\x03\x00\x00\x00")},
      {"not deflate", ZipBytes().local("n.txt", 0, 8, 0, 4, 4).raw("\xff\xff\xff\xff")},
      {"encrypted", ZipBytes()
                        .local("x.txt", 1, 8, crcOf(text), static_cast<uint32_t>(rawDeflate(text).size()),
                               static_cast<uint32_t>(text.size()))
                        .raw(rawDeflate(text))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int64_t charged = pool_stats(POOL_ZIPFILE).bytesTotal;
    ZipBytes b = c.bytes;
    b.central();
    auto got = walk(b.data(), b.size());
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].content, "<null>");
    EXPECT_LT(pool_stats(POOL_ZIPFILE).bytesTotal - charged, 100000);  // no buffer for a size deflate cannot reach
  }
}

TEST_F(Zip, DataDescriptorsInEveryForm) {
  std::string text = bigText();
  std::string packed = rawDeflate(text);
  uint32_t crc = crcOf(text), csize = static_cast<uint32_t>(packed.size()), usize = static_cast<uint32_t>(text.size());
  std::string zip64Extra = ZipBytes().u16(1).u16(16).u64(0).u64(0).bytes;
  struct Case {
    const char* name;
    ZipBytes bytes;
  } cases[] = {
      {"signed 16-byte",
       ZipBytes().local("a", 8, 8, 0, 0, 0).raw(packed).u32(0x08074B50).u32(crc).u32(csize).u32(usize)},
      {"unsigned 12-byte", ZipBytes().local("a", 8, 8, 0, 0, 0).raw(packed).u32(crc).u32(csize).u32(usize)},
      {"zip64 24-byte", ZipBytes()
                            .local("a", 8, 8, 0, 0xFFFFFFFF, 0xFFFFFFFF, zip64Extra)
                            .raw(packed)
                            .u32(0x08074B50)
                            .u32(crc)
                            .u64(csize)
                            .u64(usize)},
      {"header sizes and descriptor",
       ZipBytes().local("a", 8, 8, 0, 0, usize).raw(packed).u32(0x08074B50).u32(crc).u32(csize).u32(usize)},
      {"sizes given, descriptor after",
       ZipBytes().local("a", 8, 8, crc, csize, usize).raw(packed).u32(0x08074B50).u32(crc).u32(csize).u32(usize)},
      {"zip64 sizes in header",
       ZipBytes()
           .local("a", 0, 8, crc, 0xFFFFFFFF, 0xFFFFFFFF, ZipBytes().u16(1).u16(16).u64(usize).u64(csize).bytes)
           .raw(packed)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ZipBytes b = c.bytes;
    b.member("next.txt", "after").central();
    auto got = walk(b.data(), b.size());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].crc, crc);
    EXPECT_EQ(got[0].csize, csize);
    EXPECT_EQ(got[0].usize, usize);
    EXPECT_EQ(got[0].content, text);
    EXPECT_EQ(got[1].content, "after");
  }
}

TEST_F(Zip, DescriptorSignatureInsideTheDataIsPassedOver) {
  // A stored member's data holds descriptor-like bytes whose sizes do not fit; only the real one counts.
  std::string data = std::string("abc") + "PK\x07\x08" + std::string(12, '\x01') + "PK\x03\x04xyz";
  ZipBytes b;
  b.local("s", 8, kZipMethodStored, 0, 0, 0).raw(data).u32(0x08074B50).u32(crcOf(data));
  b.u32(static_cast<uint32_t>(data.size())).u32(static_cast<uint32_t>(data.size()));
  b.member("next.txt", "after").central();
  auto got = walk(b.data(), b.size());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].csize, data.size());
  EXPECT_EQ(got[0].content, "<null>");  // stored: refused
  EXPECT_EQ(got[1].content, "after");
}

TEST_F(Zip, EmptyMembersWithoutDescriptorEndAtTheNextHeader) {
  ZipBytes b;
  b.local("dir/", 0, kZipMethodStored, 0, 0, 0).member("dir/f.txt", "file").central();
  auto got = walk(b.data(), b.size());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].name, "dir/");
  EXPECT_EQ(got[0].csize, 0u);
  EXPECT_EQ(got[1].content, "file");
}

TEST_F(Zip, EveryTruncationEndsTheWalkInsideTheBuffer) {
  std::string text = bigText();
  ZipBytes b;
  b.member("one.txt", text).local("two", 8, 8, 0, 0, 0).raw(rawDeflate("two two two"));
  b.u32(0x08074B50).u32(crcOf("two two two")).u32(static_cast<uint32_t>(rawDeflate("two two two").size())).u32(11);
  b.member("three.txt", "3").central();
  ASSERT_EQ(walk(b.data(), b.size()).size(), 3u);
  for (int32_t cut = 0; cut < b.size(); ++cut) {
    // An exact copy, so that any read past the cut is a read past the allocation.
    std::vector<uint8_t> prefix(b.data(), b.data() + cut);
    auto got = walk(prefix.data(), cut);
    ASSERT_LE(got.size(), 3u) << cut;
    for (const Walked& w : got) EXPECT_NE(w.content, "<null>") << cut << " " << w.name;
  }
}

TEST_F(Zip, LongNamesAreTruncated) {
  std::string name(300, 'n');
  ZipBytes b;
  b.member(name, "long").central();
  ZipCursor c = zip_cursor(b.data(), b.size());
  ZipMember* m = zip_nextMember(&c);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(std::string(m->name), name.substr(0, kZipNameMax));
  EXPECT_EQ(m->nameLength, 300);
  zip_freeMember(m);
  // A truncated name could match the wrong request: it never matches.
  int32_t size = 0;
  EXPECT_EQ(zip_findInArchive(b.data(), b.size(), (name + "x").c_str(), &size), nullptr);
}

TEST_F(Zip, FindMatchesTheFirstMemberWhoseNameOccursInTheRequest) {
  ZipBytes b;
  b.local("data/", 0, kZipMethodStored, 0, 0, 0);
  b.local("data/fonts/", 0, kZipMethodStored, 0, 0, 0);
  b.member("tires-b24_803.pfr", "font");
  b.member("logo.m2v", "first logo").member("bootlogo.m2v", "second logo");
  b.member("stored.bin", "raw", kZipMethodStored).central();
  struct Case {
    const char* request;
    const char* found;  // null: none
  } cases[] = {
      {"data/fonts/tires-b24_803.pfr", "font"},
      {"tires-b24_803.pfr", "font"},
      {"data/logo/bootlogo.m2v", "first logo"},
      {"tires", nullptr},
      {"data/fonts/", nullptr},  // directory entries never match
      {"stored.bin", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    int32_t size = -1;
    uint8_t* data = zip_findInArchive(b.data(), b.size(), c.request, &size);
    if (!c.found) {
      EXPECT_EQ(data, nullptr);
      EXPECT_EQ(size, 0);
      continue;
    }
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(size)), c.found);
    zip_freeData(data, size);
  }
}

TEST_F(Zip, ArchiveFilesPlainAndNested) {
  std::string table = bigText();
  std::vector<ZipWriteMember> inner = {
      {"iso/ISO8859.dat", "iso", 3, 0},
      {"iso/uppercase.dat", table.data(), static_cast<int32_t>(table.size()), 0},
  };
  std::string innerArchive = build(inner);
  std::vector<ZipWriteMember> outer = {
      {"resources.zip", innerArchive.data(), static_cast<int32_t>(innerArchive.size()), 0}};
  std::filesystem::create_directories(root() / "data");
  ASSERT_EQ(zip_writeArchive("/data/resources.zip", outer.data(), 1), 1);

  int32_t size = 0;
  uint8_t* data = zip_findNestedMember("data/resources.zip", "uppercase.dat", &size);
  EXPECT_EQ(data, nullptr);  // the request must contain the member's whole name
  data = zip_findNestedMember("data/resources.zip", "x/iso/uppercase.dat", &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(size)), table);
  zip_freeData(data, size);

  uint8_t* innerData = zip_loadNested("data\\resources.zip", &size);
  ASSERT_NE(innerData, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(innerData), static_cast<size_t>(size)), innerArchive);
  EXPECT_EQ(walk(innerData, size).size(), 2u);
  zip_freeData(innerData, size);

  // The outer archive read flat finds its one member; missing files and members give null.
  data = zip_findMember("data/resources.zip", "data/resources.zip", &size);
  ASSERT_NE(data, nullptr);
  zip_freeData(data, size);
  EXPECT_EQ(zip_findMember("data/missing.zip", "a", &size), nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(zip_loadNested("data/missing.zip", &size), nullptr);
  EXPECT_EQ(zip_findNestedMember("data/resources.zip", "none", &size), nullptr);
  // A nested read of an archive whose first member is not an archive finds nothing.
  ASSERT_EQ(zip_writeArchive("data/flat.zip", inner.data(), 2), 1);
  EXPECT_EQ(zip_findNestedMember("data/flat.zip", "iso/uppercase.dat", &size), nullptr);
}

TEST_F(Zip, WriterRefusesBadMembersAndKeepsTheOldFile) {
  std::filesystem::create_directories(root() / "data");
  ZipWriteMember good = {"a.dat", "a", 1, 0};
  ASSERT_EQ(zip_writeArchive("data/backup.zip", &good, 1), 1);
  std::string before = readHost(root() / "data/backup.zip");
  std::string longName(70000, 'x');
  struct Case {
    const char* name;
    ZipWriteMember member;
  } cases[] = {
      {"no name", {nullptr, "a", 1, 0}},
      {"empty name", {"", "a", 1, 0}},
      {"name too long", {longName.c_str(), "a", 1, 0}},
      {"negative size", {"a", "a", -1, 0}},
      {"no data", {"a", nullptr, 5, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ZipWriteMember members[] = {good, c.member};
    EXPECT_EQ(zip_writeArchive("data/backup.zip", members, 2), 0);
    EXPECT_EQ(readHost(root() / "data/backup.zip"), before);
  }
  EXPECT_EQ(zip_writeArchive("data/backup.zip", &good, -1), 0);
  EXPECT_EQ(zip_writeArchive("../backup.zip", &good, 1), 0);
  // An archive without members is still a valid archive: just the end record.
  int32_t size = 0;
  uint8_t* empty = zip_buildArchive(nullptr, 0, &size);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(size, 22);
  zip_freeData(empty, size);
}

}  // namespace
