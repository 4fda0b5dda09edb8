// Skin colour records and the contrast check.
#include "colour_table.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

bool parseColour(const std::string& s, uint32_t& out) {
  if (s.size() != 6) return false;
  uint32_t v = 0;
  for (char c : s) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return false;
    v = v << 4 | static_cast<uint32_t>(d);
  }
  out = 0xFF000000u | v;
  return true;
}

double channel(uint32_t c) {
  double s = c / 255.0;
  return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

double luminance(uint32_t argb) {
  return 0.2126 * channel(argb >> 16 & 0xFF) + 0.7152 * channel(argb >> 8 & 0xFF) + 0.0722 * channel(argb & 0xFF);
}

}  // namespace

std::vector<SkinColours> colours_parse(const std::string& source, std::vector<std::string>& errors) {
  std::vector<SkinColours> skins(kSkinCount);
  std::array<int, kSkinCount> given{};
  SkinColours current{};
  std::array<bool, kColourGroups + 1> have{};
  int first = -1, last = -1, lineNo = 0;
  auto fail = [&](const std::string& m) { errors.push_back("colours:" + std::to_string(lineNo) + ": " + m); };
  auto flush = [&]() {
    if (first < 0) return;
    for (int g = 0; g <= kColourGroups; ++g)
      if (!have[g]) fail(g == kColourGroups ? "prompt colours missing" : "group " + std::to_string(g) + " missing");
    for (int s = first; s <= last; ++s) {
      skins[s] = current;
      ++given[s];
    }
  };
  std::istringstream in(source);
  std::string line;
  while (std::getline(in, line)) {
    ++lineNo;
    std::istringstream words(line);
    std::string key;
    if (!(words >> key) || key[0] == '#') continue;
    if (key == "skin") {
      flush();
      std::string range;
      words >> range;
      int a = -1, b = -1;
      if (std::sscanf(range.c_str(), "%d-%d", &a, &b) == 1) b = a;
      if (a < 0 || b < a || b >= kSkinCount) {
        fail("bad skin range");
        first = -1;
        continue;
      }
      first = a;
      last = b;
      have.fill(false);
      continue;
    }
    if (first < 0) {
      fail("colours before a skin line");
      continue;
    }
    int base = 0, count = 0, slot = 0;
    if (key == "group") {
      int g = -1;
      if (!(words >> g) || g < 0 || g >= kColourGroups) {
        fail("bad group");
        continue;
      }
      base = g * kColoursPerGroup;
      count = kColoursPerGroup;
      slot = g;
    } else if (key == "prompt") {
      base = kColourGroups * kColoursPerGroup;
      count = 3;
      slot = kColourGroups;
    } else {
      fail("unknown line '" + key + "'");
      continue;
    }
    bool ok = true;
    for (int k = 0; k < count; ++k) {
      std::string w;
      if (!(words >> w) || !parseColour(w, current[base + k])) ok = false;
    }
    std::string extra;
    if (!ok || (words >> extra && extra[0] != '#')) {
      fail("expected " + std::to_string(count) + " colours RRGGBB");
      continue;
    }
    have[slot] = true;
  }
  flush();
  for (int s = 0; s < kSkinCount; ++s)
    if (given[s] != 1)
      errors.push_back("colours: skin " + std::to_string(s) + " given " + std::to_string(given[s]) + " times");
  return skins;
}

std::vector<uint8_t> colours_encode(const std::vector<SkinColours>& skins) {
  std::vector<uint8_t> out(16, 0);
  auto put16 = [&out](uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8 & 0xFF);
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  for (size_t s = 0; s < skins.size(); ++s) {
    put16(kThemeColorClass);
    put16(kSkinRecordBytes);
    put32(static_cast<uint32_t>(s));
    for (uint32_t c : skins[s]) put32(c);
  }
  return out;
}

bool colours_decode(const uint8_t* data, size_t size, std::vector<SkinColours>& skins) {
  skins.clear();
  if (size < 16 || (size - 16) % kSkinRecordBytes != 0) return false;
  auto get32 = [data](size_t at) {
    return static_cast<uint32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16) |
           static_cast<uint32_t>(data[at + 3]) << 24;
  };
  for (size_t at = 16; at < size; at += kSkinRecordBytes) {
    if ((data[at] | data[at + 1] << 8) != kThemeColorClass || get32(at + 4) != skins.size()) return false;
    SkinColours c;
    for (int k = 0; k < kSkinColours; ++k) c[k] = get32(at + 8 + 4 * k);
    skins.push_back(c);
  }
  return true;
}

double colours_contrast(uint32_t a, uint32_t b) {
  double la = luminance(a), lb = luminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

const std::vector<ColourPair>& colours_textPairs() {
  // Every group: text (0) on both fills (1, 2) and focused text (3) on the focused fill (4). The help
  // bar draws its text (3) and the channel-bar text (0) on word 4; focus buttons draw focused text (3)
  // on word 2; prompts draw group 7's text on each prompt colour.
  static const std::vector<ColourPair> pairs = [] {
    std::vector<ColourPair> p;
    for (int g = 0; g < kColourGroups; ++g) {
      p.push_back({g, 0, 1});
      p.push_back({g, 0, 2});
      p.push_back({g, 3, 4});
    }
    p.push_back({1, 0, 4});
    p.push_back({2, 3, 2});
    for (int k = 0; k < 3; ++k) p.push_back({kColourGroups, 0, k});
    return p;
  }();
  return pairs;
}

std::vector<std::string> colours_checkContrast(const SkinColours& c, int skin) {
  std::vector<std::string> out;
  for (const ColourPair& p : colours_textPairs()) {
    uint32_t text = p.group == kColourGroups ? c[7 * kColoursPerGroup] : c[p.group * kColoursPerGroup + p.text];
    uint32_t fill = p.group == kColourGroups ? c[kColourGroups * kColoursPerGroup + p.fill]
                                             : c[p.group * kColoursPerGroup + p.fill];
    double r = colours_contrast(text, fill);
    if (r < 4.5) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "skin %d group %d: text word %d on fill word %d has contrast %.2f:1 (< 4.5)", skin,
                    p.group, p.text, p.fill, r);
      out.push_back(buf);
    }
  }
  return out;
}
