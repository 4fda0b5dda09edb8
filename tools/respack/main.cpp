// respack: builds the receiver's resource archives from the readable sources in assets/.
//   data/resources.zip  string bundles, skin colours, character tables (nested archive)
//   data/graphics.zip   frames, progress bar, channel digits and icons (nested archive)
//   data/logo.zip       the boot logo as an MPEG-2 still, "bootlogo.m2v"
// Everything written is read back with the receiver's own zip reader and PNG decoder, and checked
// with "unzip -t", before the tool reports success.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "archive_out.h"
#include "charset_gen.h"
#include "colour_table.h"
#include "graphics/image.h"
#include "picture.h"
#include "text_bundles.h"
#include "text_width.h"

namespace {

// Language codes by menu-language index.
const char* const kLanguages[] = {"en", "ge", "fr", "es", "it", "pt", "tk", "ar", "sv", "cs", "sk"};

struct Options {
  std::string assets;
  std::string out;
  std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
  std::string ffmpeg = "ffmpeg";
  bool resources = true, graphics = true, logo = true;
};

void usage(FILE* f) {
  std::fprintf(f,
               "usage: respack --assets DIR --out DIR [--font TTF] [--ffmpeg PATH] [--only resources|graphics|logo]\n"
               "Builds resources.zip, graphics.zip and logo.zip into the output folder (the receiver's data/)\n"
               "from DIR/texts, DIR/colours, DIR/graphics and DIR/logo, then checks what it wrote.\n"
               "  --font    outline font for icon labels and text-width estimates (DejaVu Sans Bold)\n"
               "  --ffmpeg  the ffmpeg program that encodes the boot logo\n"
               "  --only    build one archive (may be repeated)\n");
}

bool readFile(const std::string& path, std::string& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::stringstream ss;
  ss << f.rdbuf();
  out = ss.str();
  return true;
}

std::vector<std::string> listFiles(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
        names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int report(const std::vector<std::string>& errors, const char* what) {
  for (const std::string& e : errors) std::fprintf(stderr, "respack: error: %s\n", e.c_str());
  if (!errors.empty()) std::fprintf(stderr, "respack: %s not written\n", what);
  return errors.empty() ? 0 : 1;
}

// Checks the written archive file: unzip -t, then our own reader (nested or flat).
std::vector<NamedBytes> verifyFile(const std::string& path, bool nested, std::vector<std::string>& errors) {
  archive_unzipTest(path, errors);
  std::string bytes;
  if (!readFile(path, bytes)) {
    errors.push_back(path + ": cannot be read back");
    return {};
  }
  std::vector<uint8_t> data(bytes.begin(), bytes.end());
  return nested ? archive_readNested(data, path, errors) : archive_readBack(data, path, errors);
}

int buildResources(const Options& o) {
  std::vector<std::string> errors;
  std::vector<NamedBytes> members;
  std::string textDir = o.assets + "/texts/";
  TextTable english = texts_load(textDir + "en.txt", errors);
  std::vector<std::pair<std::string, TextTable>> tables;
  std::vector<std::string> copies;  // languages that carry the English texts
  for (const char* code : kLanguages) {
    std::string path = textDir + code + ".txt";
    struct stat st;
    // Languages without a source of their own carry the English texts.
    bool own = stat(path.c_str(), &st) == 0;
    TextTable t = own ? texts_load(path, errors) : english;
    if (!own) copies.push_back(code);
    for (const auto& [id, text] : english)
      if (own && !t.count(id))
        std::fprintf(stderr, "respack: warning: %s lacks string %d (English is shown)\n", code, id);
    for (const auto& [id, text] : t)
      if (!english.count(id)) errors.push_back(std::string(code) + ": string " + std::to_string(id) + " is not in en");
    members.push_back({std::string(code) + "/StringBundle.dat", bundle_encode(t)});
    tables.emplace_back(code, std::move(t));
  }

  // Fit warnings: the texts whose owners declare their room.
  std::string widths;
  if (readFile(textDir + "widths.txt", widths)) {
    TextMeasure measure(o.font);
    if (!measure.ok()) std::fprintf(stderr, "respack: warning: %s missing, text widths not checked\n", o.font.c_str());
    for (const TextRoom& room : textRooms_parse(widths, errors)) {
      if (!english.count(room.id)) errors.push_back("widths: string " + std::to_string(room.id) + " is not in en");
      for (const auto& [code, table] : tables) {
        auto it = table.find(room.id);
        bool copy = std::find(copies.begin(), copies.end(), code) != copies.end();
        if (it == table.end() || !measure.ok() || copy) continue;
        int32_t w = measure.width(it->second, room.size);
        if (w > room.width)
          std::fprintf(stderr, "respack: warning: %s string %d \"%s\" is %d px wide at %d px, its room is %d px\n",
                       code.c_str(), room.id, utf16_toUtf8(it->second).c_str(), w, room.size, room.width);
      }
    }
  }

  std::string colourSource;
  if (!readFile(o.assets + "/colours/skins.txt", colourSource)) errors.push_back("colours/skins.txt cannot be read");
  std::vector<SkinColours> skins = colours_parse(colourSource, errors);
  for (int s = 0; s < kSkinCount; ++s)
    for (const std::string& e : colours_checkContrast(skins[s], s)) errors.push_back(e);
  members.push_back({"skin/Colors.dat", colours_encode(skins)});

  std::string error;
  std::vector<uint8_t> iso = charset_isoTable(error), upper = charset_uppercaseTable(error);
  if (!error.empty()) errors.push_back(error);
  members.push_back({"iso/ISO8859.dat", iso});
  members.push_back({"iso/uppercase.dat", upper});
  if (report(errors, "resources.zip")) return 1;

  std::vector<uint8_t> inner = archive_build(members);
  std::vector<uint8_t> outer = archive_build({{"resources.zip", inner}});
  std::string path = o.out + "/resources.zip";
  if (inner.empty() || outer.empty() || !archive_writeFile(path, outer)) errors.push_back("cannot write " + path);
  if (report(errors, "resources.zip")) return 1;

  // Read back: every bundle line parses and equals its source; colours and tables are intact.
  std::vector<NamedBytes> back = verifyFile(path, true, errors);
  for (const NamedBytes& m : back) {
    if (m.name.ends_with("/StringBundle.dat")) {
      std::string code = m.name.substr(0, m.name.find('/'));
      std::vector<std::string> lineErrors;
      TextTable t = bundle_decode(m.data.data(), m.data.size(), lineErrors);
      for (const std::string& e : lineErrors) errors.push_back(m.name + ": " + e);
      auto src = std::find_if(tables.begin(), tables.end(), [&](const auto& p) { return p.first == code; });
      if (src == tables.end() || t != src->second) errors.push_back(m.name + ": does not read back as its source");
    } else if (m.name == "skin/Colors.dat") {
      std::vector<SkinColours> again;
      if (!colours_decode(m.data.data(), m.data.size(), again) || again != skins)
        errors.push_back(m.name + ": bad read-back");
    }
  }
  if (back.size() != members.size()) errors.push_back(path + ": member count differs on reading back");
  return report(errors, "resources.zip (checked)");
}

std::vector<Picture> drawPictures(const std::string& dir, const std::string& font, std::vector<std::string>& errors) {
  std::vector<Picture> pictures;
  PictureScript script(font);
  for (const std::string& name : listFiles(dir, ".txt")) {
    std::string source;
    if (!readFile(dir + "/" + name, source)) {
      errors.push_back(dir + "/" + name + ": cannot be read");
      continue;
    }
    script.run(source, name, pictures, errors);
  }
  return pictures;
}

int buildGraphics(const Options& o) {
  std::vector<std::string> errors;
  std::vector<Picture> pictures = drawPictures(o.assets + "/graphics", o.font, errors);
  std::vector<NamedBytes> members;
  for (const Picture& p : pictures) {
    if (std::any_of(members.begin(), members.end(), [&](const NamedBytes& m) { return m.name == p.path; }))
      errors.push_back("graphics: " + p.path + " drawn twice");
    members.push_back({p.path, png_encodeRgba(p)});
  }
  if (report(errors, "graphics.zip")) return 1;
  std::vector<uint8_t> inner = archive_build(members);
  std::vector<uint8_t> outer = archive_build({{"graphics.zip", inner}});
  std::string path = o.out + "/graphics.zip";
  if (inner.empty() || outer.empty() || !archive_writeFile(path, outer)) errors.push_back("cannot write " + path);
  if (report(errors, "graphics.zip")) return 1;

  std::vector<NamedBytes> back = verifyFile(path, true, errors);
  if (back.size() != pictures.size()) errors.push_back(path + ": member count differs on reading back");
  for (size_t i = 0; i < back.size() && i < pictures.size(); ++i) {
    Image* image = image_decode(back[i].data.data(), back[i].data.size());
    if (!image || image->width != pictures[i].width || image->height != pictures[i].height)
      errors.push_back(back[i].name + ": does not decode with the receiver's PNG decoder");
    image_free(image);
  }
  return report(errors, "graphics.zip (checked)");
}

int buildLogo(const Options& o) {
  std::vector<std::string> errors;
  std::vector<Picture> pictures = drawPictures(o.assets + "/logo", o.font, errors);
  if (pictures.size() != 1 || pictures[0].width != 720 || pictures[0].height != 576)
    errors.push_back("logo: the logo script must draw one 720 x 576 picture");
  if (report(errors, "logo.zip")) return 1;

  char dir[] = "/tmp/respack-logo-XXXXXX";
  if (!mkdtemp(dir)) return report({"logo: no temporary folder"}, "logo.zip");
  std::string png = std::string(dir) + "/logo.png", m2v = std::string(dir) + "/bootlogo.m2v";
  std::vector<uint8_t> bytes = png_encodeRgba(pictures[0]);
  archive_writeFile(png, bytes);
  // One intra-coded MPEG-2 picture, PAL size, 4:2:0, as the still decoder expects.
  std::string cmd = "'" + o.ffmpeg + "' -hide_banner -loglevel error -y -i '" + png +
                    "' -frames:v 1 -vf scale=720:576,format=yuv420p -c:v mpeg2video -q:v 2 -g 1 -f mpeg2video '" + m2v +
                    "'";
  int status = std::system(cmd.c_str());
  std::string still;
  if (status != 0 || !readFile(m2v, still)) {
    errors.push_back("logo: ffmpeg (" + o.ffmpeg +
                     ") could not encode the boot logo; install ffmpeg (Debian package \"ffmpeg\") or pass --ffmpeg");
  }
  std::remove(png.c_str());
  std::remove(m2v.c_str());
  rmdir(dir);
  if (report(errors, "logo.zip")) return 1;
  std::string path = o.out + "/logo.zip";
  std::vector<uint8_t> archive = archive_build({{"bootlogo.m2v", std::vector<uint8_t>(still.begin(), still.end())}});
  if (archive.empty() || !archive_writeFile(path, archive)) errors.push_back("cannot write " + path);
  if (report(errors, "logo.zip")) return 1;
  std::vector<NamedBytes> back = verifyFile(path, false, errors);
  if (back.size() != 1 || back[0].name != "bootlogo.m2v" || back[0].data.size() < 4 || back[0].data[3] != 0xB3)
    errors.push_back(path + ": no MPEG-2 sequence in bootlogo.m2v");
  return report(errors, "logo.zip (checked)");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  bool only = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        usage(stderr);
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else if (a == "--assets") {
      o.assets = value();
    } else if (a == "--out") {
      o.out = value();
    } else if (a == "--font") {
      o.font = value();
    } else if (a == "--ffmpeg") {
      o.ffmpeg = value();
    } else if (a == "--only") {
      if (!only) o.resources = o.graphics = o.logo = false;
      only = true;
      std::string w = value();
      if (w == "resources")
        o.resources = true;
      else if (w == "graphics")
        o.graphics = true;
      else if (w == "logo")
        o.logo = true;
      else {
        usage(stderr);
        return 2;
      }
    } else {
      usage(stderr);
      return 2;
    }
  }
  if (o.assets.empty() || o.out.empty()) {
    usage(stderr);
    return 2;
  }
  mkdir(o.out.c_str(), 0755);
  int failed = 0;
  if (o.resources) failed |= buildResources(o);
  if (o.graphics) failed |= buildGraphics(o);
  if (o.logo) failed |= buildLogo(o);
  return failed;
}
