// fontbuild: writes the receiver's PFR fonts (four bitmap strikes and an outline font) from an
// outline font, and the font archive holding them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "font_source.h"
#include "graphics/zip.h"

namespace {

constexpr int32_t kStrikes[] = {24, 26, 31, 36};

void usage() {
  std::printf(
      "usage: fontbuild --font FILE.ttf --out FOLDER [--zip ARCHIVE]\n"
      "  Writes tires-b24_803.pfr, tires-b26_803.pfr, tires-b31_803.pfr, tires-b36_803.pfr (one bitmap\n"
      "  strike each at that pixel size) and tires-o_803.pfr (the outline font) into FOLDER, and with\n"
      "  --zip an archive holding the five files, every member deflated.\n");
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string fontPath, outDir, zipPath;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--font" && hasValue) {
      fontPath = argv[++i];
    } else if (arg == "--out" && hasValue) {
      outDir = argv[++i];
    } else if (arg == "--zip" && hasValue) {
      zipPath = argv[++i];
    } else {
      usage();
      return arg == "--help" ? 0 : 2;
    }
  }
  if (fontPath.empty() || outDir.empty()) {
    usage();
    return 2;
  }
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, fontPath.c_str(), 0, &face)) {
    std::fprintf(stderr, "fontbuild: cannot open %s\n", fontPath.c_str());
    return 1;
  }
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  for (int32_t size : kStrikes)
    files.emplace_back("tires-b" + std::to_string(size) + "_803.pfr", pfr_write(fontsource_strike(face, size)));
  files.emplace_back("tires-o_803.pfr", pfr_write(fontsource_outline(face)));
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  std::vector<ZipWriteMember> members;
  for (const auto& [name, bytes] : files) {
    if (!writeFile(outDir + "/" + name, bytes)) {
      std::fprintf(stderr, "fontbuild: cannot write %s/%s\n", outDir.c_str(), name.c_str());
      return 1;
    }
    members.push_back({name.c_str(), bytes.data(), int32_t(bytes.size()), 0});
  }
  if (zipPath.empty()) return 0;
  int32_t size = 0;
  uint8_t* archive = zip_buildArchive(members.data(), int32_t(members.size()), &size);
  bool written = archive && writeFile(zipPath, std::vector<uint8_t>(archive, archive + size));
  if (archive) zip_freeData(archive, size);
  if (!written) {
    std::fprintf(stderr, "fontbuild: cannot write %s\n", zipPath.c_str());
    return 1;
  }
  return 0;
}
