// Archives through the receiver's own zip writer and reader.
#include "archive_out.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "graphics/zip.h"

std::vector<uint8_t> archive_build(const std::vector<NamedBytes>& members) {
  std::vector<ZipWriteMember> list;
  for (const NamedBytes& m : members)
    list.push_back({m.name.c_str(), m.data.data(), static_cast<int32_t>(m.data.size()), 1262304000});  // 2010-01-01
  int32_t size = 0;
  uint8_t* bytes = zip_buildArchive(list.data(), static_cast<int32_t>(list.size()), &size);
  if (!bytes) return {};
  std::vector<uint8_t> out(bytes, bytes + size);
  zip_freeData(bytes, size);
  return out;
}

bool archive_writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string temp = path + ".tmp";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    if (!f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

std::vector<NamedBytes> archive_readBack(const std::vector<uint8_t>& archive, const std::string& label,
                                         std::vector<std::string>& errors) {
  std::vector<NamedBytes> out;
  ZipCursor cursor = zip_cursor(archive.data(), static_cast<int32_t>(archive.size()));
  while (ZipMember* m = zip_nextMember(&cursor)) {
    std::string name = m->name;
    if (m->method != kZipMethodDeflated) errors.push_back(label + ": member " + name + " is not deflated");
    uint8_t* data = zip_inflateMember(m);
    if (!data && m->uncompressedSize > 0) {
      errors.push_back(label + ": member " + name + " does not inflate");
    } else {
      out.push_back({name, std::vector<uint8_t>(data, data + m->uncompressedSize)});
      if (data) zip_freeData(data, static_cast<int32_t>(m->uncompressedSize));
    }
    zip_freeMember(m);
  }
  if (out.empty()) errors.push_back(label + ": no members");
  return out;
}

std::vector<NamedBytes> archive_readNested(const std::vector<uint8_t>& archive, const std::string& label,
                                           std::vector<std::string>& errors) {
  std::vector<NamedBytes> outer = archive_readBack(archive, label, errors);
  if (outer.size() != 1) {
    errors.push_back(label + ": the outer archive must hold exactly one member");
    return {};
  }
  return archive_readBack(outer[0].data, label + "/" + outer[0].name, errors);
}

bool archive_unzipTest(const std::string& path, std::vector<std::string>& errors) {
  std::string cmd = "unzip -tq '" + path + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) {
    errors.push_back("cannot run unzip");
    return false;
  }
  std::string text;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) text += buf;
  int status = pclose(p);
  if (status != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    errors.push_back("unzip -t " + path + " failed: " + text);
    return false;
  }
  return true;
}
