// streamgen: writes the broadcast stream files and their manifests from the fixture description.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "fixture.h"
#include "generate.h"

namespace fs = std::filesystem;
using namespace streamgen;

namespace {

const char* kHelp =
    "usage: streamgen --fixture FILE --out DIR [--time TIME] [--only FILE]\n"
    "\n"
    "Writes one MPEG-2 transport stream per transport of the fixture that names a file, under DIR\n"
    "(e.g. DIR/sat/astra_10744.ts), a manifest beside each (DIR/sat/astra_10744.json) and an index of\n"
    "all of them (DIR/index.json). Files whose content is unchanged are not rewritten.\n"
    "\n"
    "  --fixture FILE  the fixture description (assets/streams/broadcast.txt)\n"
    "  --out DIR       where the stream tree goes\n"
    "  --time TIME     broadcast time: YYYY-MM-DDTHH:MM:SSZ (UTC), or 'today' for the current hour\n"
    "                  (default 2013-03-26T12:00:00Z)\n"
    "  --only FILE     write only this stream (as named in the fixture, e.g. sat/astra_10744.ts)\n"
    "  --help          this text\n";

bool readFile(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// Writes through a temporary file and a rename, and only when the content differs.
bool writeIfChanged(const fs::path& p, const std::string& data) {
  std::string old;
  if (readFile(p, old) && old == data) return true;
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  fs::path tmp = p;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out.write(data.data(), static_cast<std::streamsize>(data.size()))) return false;
  }
  fs::rename(tmp, p, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  std::string fixturePath, outDir, timeText = "2013-03-26T12:00:00Z", only;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& dst) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "streamgen: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      dst = argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--fixture")
      value(fixturePath);
    else if (a == "--out")
      value(outDir);
    else if (a == "--time")
      value(timeText);
    else if (a == "--only")
      value(only);
    else {
      std::fprintf(stderr, "streamgen: unknown argument %s (see --help)\n", a.c_str());
      return 2;
    }
  }
  if (fixturePath.empty() || outDir.empty()) {
    std::fputs(kHelp, stderr);
    return 2;
  }
  int64_t base = 0;
  if (timeText == "today") {
    base = static_cast<int64_t>(std::time(nullptr));
    base -= base % 3600;
  } else if (!parseIsoTime(timeText, base)) {
    std::fprintf(stderr, "streamgen: bad --time %s\n", timeText.c_str());
    return 2;
  }
  std::string text, error;
  if (!readFile(fixturePath, text)) {
    std::fprintf(stderr, "streamgen: cannot read %s\n", fixturePath.c_str());
    return 1;
  }
  Fixture fixture;
  if (!parseFixture(text, fixture, error)) {
    std::fprintf(stderr, "%s: %s\n", fixturePath.c_str(), error.c_str());
    return 1;
  }
  Json index = Json::object();
  index.set("time", isoTime(base));
  Json files = Json::array();
  bool found = only.empty();
  try {
    for (const Transport& t : fixture.transports) {
      if (t.file.empty()) continue;
      files.push(t.file);
      if (!only.empty() && t.file != only) continue;
      found = true;
      StreamFile s = generateStream(fixture, t, base);
      fs::path ts = fs::path(outDir) / s.path;
      fs::path manifest = ts;
      manifest.replace_extension(".json");
      if (!writeIfChanged(ts, std::string(s.data.begin(), s.data.end())) ||
          !writeIfChanged(manifest, s.manifest.dump(2))) {
        std::fprintf(stderr, "streamgen: cannot write %s\n", ts.c_str());
        return 1;
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "streamgen: %s\n", e.what());
    return 1;
  }
  if (!found) {
    std::fprintf(stderr, "streamgen: no stream %s in the fixture\n", only.c_str());
    return 1;
  }
  index.set("files", files);
  if (only.empty() && !writeIfChanged(fs::path(outDir) / "index.json", index.dump(2))) return 1;
  return 0;
}
