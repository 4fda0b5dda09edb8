// Rasterising picture scripts.
#include "picture.h"

#include <ft2build.h>
#include <zlib.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

constexpr int kSub = 4;  // samples per pixel along each axis
constexpr uint32_t kKeyRgb = 0x123456;

struct Canvas {
  int w = 0, h = 0;              // in samples
  std::vector<uint32_t> colour;  // RGB per sample
  std::vector<uint8_t> covered;  // 1 where something was painted
  void paint(int x, int y, uint32_t rgb) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    colour[y * w + x] = rgb;
    covered[y * w + x] = 1;
  }
};

// Shape tests take sample centres in pixel units.
using Inside = bool (*)(const double* p, double x, double y);

bool insideRoundRect(double x, double y, double rx, double ry, double rw, double rh, double r) {
  if (rw <= 0 || rh <= 0 || x < rx || y < ry || x > rx + rw || y > ry + rh) return false;
  r = std::clamp(r, 0.0, std::min(rw, rh) / 2);
  double cx = std::clamp(x, rx + r, rx + rw - r), cy = std::clamp(y, ry + r, ry + rh - r);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

double segmentDistance(double x, double y, double x1, double y1, double x2, double y2) {
  double dx = x2 - x1, dy = y2 - y1, len = dx * dx + dy * dy;
  double t = len > 0 ? std::clamp(((x - x1) * dx + (y - y1) * dy) / len, 0.0, 1.0) : 0;
  double px = x1 + t * dx - x, py = y1 + t * dy - y;
  return std::sqrt(px * px + py * py);
}

bool insidePolygon(const std::vector<double>& pts, double x, double y) {
  bool in = false;
  size_t n = pts.size() / 2;
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    double xi = pts[2 * i], yi = pts[2 * i + 1], xj = pts[2 * j], yj = pts[2 * j + 1];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

uint32_t parseRgb(const std::string& s, bool& ok) {
  ok = s.size() == 6 && s.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
  return ok ? static_cast<uint32_t>(std::stoul(s, nullptr, 16)) : 0;
}

std::vector<std::string> tokenize(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      size_t e = line.find('"', i + 1);
      if (e == std::string::npos) e = line.size();
      out.push_back("\"" + line.substr(i + 1, e - i - 1));  // marked as quoted by the leading quote
      i = e + 1;
      continue;
    }
    size_t e = line.find_first_of(" \t", i);
    if (e == std::string::npos) e = line.size();
    out.push_back(line.substr(i, e - i));
    i = e;
  }
  return out;
}

void crcChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  auto put32 = [&out](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(v >> s & 0xFF);
  };
  put32(static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

}  // namespace

std::vector<uint8_t> png_encodeRgba(const Picture& p) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(p.height) * (p.width * 4 + 1));
  for (int y = 0; y < p.height; ++y) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), p.rgba.begin() + static_cast<size_t>(y) * p.width * 4,
               p.rgba.begin() + static_cast<size_t>(y + 1) * p.width * 4);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9);
  packed.resize(packedSize);
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  for (uint32_t v : {static_cast<uint32_t>(p.width), static_cast<uint32_t>(p.height)})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(v >> s & 0xFF);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no filter method, no interlace
  crcChunk(out, "IHDR", ihdr);
  crcChunk(out, "IDAT", packed);
  crcChunk(out, "IEND", {});
  return out;
}

struct PictureScript::Impl {
  FT_Library ft = nullptr;
  FT_Face face = nullptr;
  std::map<std::string, std::vector<std::string>> macros;
  uint32_t defaultGround = 0x1B2B48;

  // Per picture.
  Canvas canvas;
  uint32_t fill = 0xFFFFFF;
  uint32_t ground = 0;

  void fillShape(double bx, double by, double bw, double bh, const auto& inside) {
    int x0 = std::max(0, static_cast<int>(std::floor(bx * kSub))),
        y0 = std::max(0, static_cast<int>(std::floor(by * kSub)));
    int x1 = std::min(canvas.w, static_cast<int>(std::ceil((bx + bw) * kSub)) + 1);
    int y1 = std::min(canvas.h, static_cast<int>(std::ceil((by + bh) * kSub)) + 1);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (inside((x + 0.5) / kSub, (y + 0.5) / kSub)) canvas.paint(x, y, fill);
  }

  // Text centred (by its ink) on cx, cy; size is the pixel size of the font.
  bool text(double cx, double cy, double size, const std::u32string& label, std::string& error) {
    if (!face) {
      error = "no font for text";
      return false;
    }
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::lround(size * kSub)));
    struct Glyph {
      int x, y, w, h;
      std::vector<uint8_t> bits;
    };
    std::vector<Glyph> glyphs;
    long pen = 0;
    int minX = 1 << 30, minY = 1 << 30, maxX = -(1 << 30), maxY = -(1 << 30);
    for (char32_t c : label) {
      if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) {
        error = "font lacks a glyph";
        return false;
      }
      FT_GlyphSlot g = face->glyph;
      Glyph out{static_cast<int>(pen >> 6) + g->bitmap_left,
                -g->bitmap_top,
                static_cast<int>(g->bitmap.width),
                static_cast<int>(g->bitmap.rows),
                {}};
      for (int r = 0; r < out.h; ++r)
        for (int k = 0; k < out.w; ++k)
          out.bits.push_back(g->bitmap.buffer[r * g->bitmap.pitch + (k >> 3)] >> (7 - (k & 7)) & 1);
      if (out.w > 0 && out.h > 0) {
        minX = std::min(minX, out.x);
        minY = std::min(minY, out.y);
        maxX = std::max(maxX, out.x + out.w);
        maxY = std::max(maxY, out.y + out.h);
      }
      pen += g->advance.x;
      glyphs.push_back(std::move(out));
    }
    if (maxX < minX) return true;
    int ox = static_cast<int>(std::lround(cx * kSub)) - (minX + maxX) / 2;
    int oy = static_cast<int>(std::lround(cy * kSub)) - (minY + maxY) / 2;
    for (const Glyph& g : glyphs)
      for (int r = 0; r < g.h; ++r)
        for (int k = 0; k < g.w; ++k)
          if (g.bits[r * g.w + k]) canvas.paint(ox + g.x + k, oy + g.y + r, fill);
    return true;
  }

  Picture finish(const std::string& path, int w, int h) {
    Picture p{path, w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
    constexpr int n = kSub * kSub;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int count = 0;
        uint32_t r = 0, g = 0, b = 0;
        for (int sy = 0; sy < kSub; ++sy)
          for (int sx = 0; sx < kSub; ++sx) {
            size_t at = static_cast<size_t>(y * kSub + sy) * canvas.w + x * kSub + sx;
            if (!canvas.covered[at]) continue;
            ++count;
            r += canvas.colour[at] >> 16 & 0xFF;
            g += canvas.colour[at] >> 8 & 0xFF;
            b += canvas.colour[at] & 0xFF;
          }
        uint8_t* px = &p.rgba[(static_cast<size_t>(y) * w + x) * 4];
        if (count * 2 < n) {
          px[0] = kKeyRgb >> 16;
          px[1] = kKeyRgb >> 8 & 0xFF;
          px[2] = kKeyRgb & 0xFF;
          px[3] = 0;
          continue;
        }
        int rest = n - count;
        px[0] = static_cast<uint8_t>((r + rest * (ground >> 16 & 0xFF) + n / 2) / n);
        px[1] = static_cast<uint8_t>((g + rest * (ground >> 8 & 0xFF) + n / 2) / n);
        px[2] = static_cast<uint8_t>((b + rest * (ground & 0xFF) + n / 2) / n);
        px[3] = 0xFF;
      }
    return p;
  }

  // One drawing command; false with `error` set when it is malformed.
  bool command(const std::vector<std::string>& t, std::string& error, int depth);
};

bool PictureScript::Impl::command(const std::vector<std::string>& t, std::string& error, int depth) {
  const std::string& op = t[0];
  std::vector<double> v;
  std::string label;
  bool hasLabel = false;
  for (size_t i = 1; i < t.size(); ++i) {
    if (op == "use" || op == "fill" || op == "ground") break;
    if (!t[i].empty() && t[i][0] == '"') {
      label = t[i].substr(1);
      hasLabel = true;
      continue;
    }
    char* end = nullptr;
    double d = std::strtod(t[i].c_str(), &end);
    if (end == t[i].c_str() || *end) {
      error = "bad number '" + t[i] + "'";
      return false;
    }
    v.push_back(d);
  }
  auto need = [&](size_t lo, size_t hi) {
    if (v.size() < lo || v.size() > hi) {
      error = op + " takes " + std::to_string(lo) + (hi > lo ? ".." + std::to_string(hi) : "") + " numbers";
      return false;
    }
    return true;
  };
  if (op == "fill" || op == "ground") {
    bool ok = t.size() == 2;
    uint32_t c = ok ? parseRgb(t[1], ok) : 0;
    if (!ok) {
      error = op + " takes one RRGGBB colour";
      return false;
    }
    (op == "fill" ? fill : ground) = c;
    return true;
  }
  if (op == "use") {
    auto it = t.size() >= 2 ? macros.find(t[1]) : macros.end();
    if (it == macros.end() || depth > 8) {
      error = "unknown macro";
      return false;
    }
    for (std::string line : it->second) {
      for (size_t a = 2; a < t.size() && a < 11; ++a) {
        std::string key = "$" + std::to_string(a - 1), val = t[a][0] == '"' ? t[a].substr(1) : t[a];
        for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + val.size()))
          line.replace(at, key.size(), val);
      }
      auto sub = tokenize(line);
      if (!sub.empty() && !command(sub, error, depth + 1)) return false;
    }
    return true;
  }
  if (op == "rect") {  // x y w h [radius]
    if (!need(4, 5)) return false;
    double r = v.size() > 4 ? v[4] : 0;
    fillShape(v[0], v[1], v[2], v[3],
              [&](double x, double y) { return insideRoundRect(x, y, v[0], v[1], v[2], v[3], r); });
    return true;
  }
  if (op == "frame") {  // x y w h radius stroke: the outline of a rounded rectangle, inside its bounds
    if (!need(6, 6)) return false;
    double s = v[5];
    fillShape(v[0], v[1], v[2], v[3], [&](double x, double y) {
      return insideRoundRect(x, y, v[0], v[1], v[2], v[3], v[4]) &&
             !insideRoundRect(x, y, v[0] + s, v[1] + s, v[2] - 2 * s, v[3] - 2 * s, v[4] - s);
    });
    return true;
  }
  if (op == "circle") {  // cx cy r
    if (!need(3, 3)) return false;
    fillShape(v[0] - v[2], v[1] - v[2], 2 * v[2], 2 * v[2],
              [&](double x, double y) { return (x - v[0]) * (x - v[0]) + (y - v[1]) * (y - v[1]) <= v[2] * v[2]; });
    return true;
  }
  if (op == "ring") {  // cx cy r stroke (the stroke lies inside r)
    if (!need(4, 4)) return false;
    fillShape(v[0] - v[2], v[1] - v[2], 2 * v[2], 2 * v[2], [&](double x, double y) {
      double d = std::sqrt((x - v[0]) * (x - v[0]) + (y - v[1]) * (y - v[1]));
      return d <= v[2] && d >= v[2] - v[3];
    });
    return true;
  }
  if (op == "line") {  // x1 y1 x2 y2 width, round caps
    if (!need(5, 5)) return false;
    double r = v[4] / 2;
    fillShape(std::min(v[0], v[2]) - r, std::min(v[1], v[3]) - r, std::fabs(v[2] - v[0]) + 2 * r,
              std::fabs(v[3] - v[1]) + 2 * r,
              [&](double x, double y) { return segmentDistance(x, y, v[0], v[1], v[2], v[3]) <= r; });
    return true;
  }
  if (op == "poly") {  // x1 y1 x2 y2 ... (at least three points)
    if (v.size() < 6 || v.size() % 2) {
      error = "poly takes three or more points";
      return false;
    }
    double minX = v[0], minY = v[1], maxX = v[0], maxY = v[1];
    for (size_t i = 0; i < v.size(); i += 2) {
      minX = std::min(minX, v[i]);
      maxX = std::max(maxX, v[i]);
      minY = std::min(minY, v[i + 1]);
      maxY = std::max(maxY, v[i + 1]);
    }
    fillShape(minX, minY, maxX - minX, maxY - minY, [&](double x, double y) { return insidePolygon(v, x, y); });
    return true;
  }
  if (op == "text") {  // cx cy size "label"
    if (!need(3, 3) || !hasLabel) {
      if (!hasLabel) error = "text takes cx cy size \"label\"";
      return false;
    }
    std::u32string u;
    for (size_t i = 0; i < label.size();) {  // UTF-8 labels
      unsigned char c = static_cast<unsigned char>(label[i]);
      int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
      for (int k = 1; k < n && i + k < label.size(); ++k) cp = cp << 6 | (label[i + k] & 0x3F);
      u.push_back(cp);
      i += n;
    }
    return text(v[0], v[1], v[2], u, error);
  }
  error = "unknown command '" + op + "'";
  return false;
}

PictureScript::PictureScript(std::string fontPath) : impl_(new Impl) {
  if (FT_Init_FreeType(&impl_->ft) == 0 && FT_New_Face(impl_->ft, fontPath.c_str(), 0, &impl_->face) != 0)
    impl_->face = nullptr;
}

PictureScript::~PictureScript() {
  if (impl_->face) FT_Done_Face(impl_->face);
  if (impl_->ft) FT_Done_FreeType(impl_->ft);
  delete impl_;
}

void PictureScript::run(const std::string& source, const std::string& fileName, std::vector<Picture>& out,
                        std::vector<std::string>& errors) {
  Impl& m = *impl_;
  std::istringstream in(source);
  std::string line;
  int lineNo = 0;
  enum { kTop, kMacro, kImage } state = kTop;
  std::string name;
  int w = 0, h = 0;
  bool broken = false;
  auto fail = [&](const std::string& msg) { errors.push_back(fileName + ":" + std::to_string(lineNo) + ": " + msg); };
  while (std::getline(in, line)) {
    ++lineNo;
    auto t = tokenize(line);
    if (t.empty()) continue;
    if (state == kMacro) {
      if (t[0] == "end")
        state = kTop;
      else
        m.macros[name].push_back(line);
      continue;
    }
    if (state == kImage) {
      if (t[0] == "end") {
        state = kTop;
        if (!broken) out.push_back(m.finish(name, w, h));
        continue;
      }
      std::string error;
      if (!broken && !m.command(t, error, 0)) {
        fail(error);
        broken = true;
      }
      continue;
    }
    if (t[0] == "ground" && t.size() == 2) {
      bool ok = false;
      uint32_t c = parseRgb(t[1], ok);
      if (ok)
        m.defaultGround = c;
      else
        fail("ground takes one RRGGBB colour");
    } else if (t[0] == "define" && t.size() == 2) {
      name = t[1];
      m.macros[name].clear();
      state = kMacro;
    } else if (t[0] == "image" && t.size() == 4) {
      name = t[1];
      w = std::atoi(t[2].c_str());
      h = std::atoi(t[3].c_str());
      broken = w <= 0 || h <= 0 || w > 1024 || h > 1024;
      if (broken) fail("bad image size");
      m.canvas = Canvas{w * kSub, h * kSub, std::vector<uint32_t>(static_cast<size_t>(w) * h * kSub * kSub),
                        std::vector<uint8_t>(static_cast<size_t>(w) * h * kSub * kSub)};
      if (broken) m.canvas = Canvas{};
      m.fill = 0xFFFFFF;
      m.ground = m.defaultGround;
      state = kImage;
    } else if (t[0] == "frameset" && t.size() >= 3) {
      // frameset PREFIX c0 c1 ...: eight opaque pieces of a bevelled frame, one pixel per colour band,
      // outermost band first. Corners are bands x bands, edges one pixel long.
      std::vector<uint32_t> bands;
      for (size_t i = 2; i < t.size(); ++i) {
        bool ok = false;
        bands.push_back(parseRgb(t[i], ok));
        if (!ok) fail("bad band colour");
      }
      int n = static_cast<int>(bands.size());
      struct PieceDef {
        const char* suffix;
        int w, h;
        int (*band)(int x, int y, int n);
      };
      const PieceDef pieces[] = {
          {"TL.png", n, n, [](int x, int y, int) { return std::min(x, y); }},
          {"T.png", 1, n, [](int, int y, int) { return y; }},
          {"TR.png", n, n, [](int x, int y, int k) { return std::min(k - 1 - x, y); }},
          {"L.png", n, 1, [](int x, int, int) { return x; }},
          {"R.png", n, 1, [](int x, int, int k) { return k - 1 - x; }},
          {"BL.png", n, n, [](int x, int y, int k) { return std::min(x, k - 1 - y); }},
          {"B.png", 1, n, [](int, int y, int k) { return k - 1 - y; }},
          {"BR.png", n, n, [](int x, int y, int k) { return std::min(k - 1 - x, k - 1 - y); }},
      };
      for (const PieceDef& d : pieces) {
        Picture p{t[1] + d.suffix, d.w, d.h, std::vector<uint8_t>(static_cast<size_t>(d.w) * d.h * 4)};
        for (int y = 0; y < d.h; ++y)
          for (int x = 0; x < d.w; ++x) {
            uint32_t c = bands[d.band(x, y, n)];
            uint8_t* px = &p.rgba[(static_cast<size_t>(y) * d.w + x) * 4];
            px[0] = c >> 16 & 0xFF;
            px[1] = c >> 8 & 0xFF;
            px[2] = c & 0xFF;
            px[3] = 0xFF;
          }
        out.push_back(std::move(p));
      }
    } else {
      fail("expected ground, define, image or frameset");
    }
  }
  if (state != kTop) fail("missing 'end'");
}
