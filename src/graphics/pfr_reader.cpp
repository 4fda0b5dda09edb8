#include "graphics/pfr_reader.h"

#include <algorithm>
#include <vector>

#include "graphics/font_objects.h"
#include "graphics/pfr_bitmap.h"
#include "graphics/pfr_bytes.h"
#include "graphics/pfr_outline.h"
#include "runtime/pool.h"

namespace {

struct Header {
  uint32_t logDirOffset;
  uint32_t physSectionOffset;
  uint32_t gpsOffset;
  bool sizeIncrement;  // logical font records carry a third byte of the physical font size
  bool topDown;        // bitmap rows stored top row first
};

struct Strike {
  uint32_t ppm = 0;
  uint32_t flags = 0;
  uint32_t bctSize = 0, bctOffset = 0, count = 0;
};

struct CharRecord {
  uint32_t code;
  int32_t setWidth;
  uint32_t gpsSize, gpsOffset;
};

struct PhysFont {
  uint32_t offset = 0, size = 0;
  int32_t outlineResolution = 0, metricsResolution = 0;
  bool hasStrike = false;
  Strike strike;
  std::vector<PfrBytes> kernItems;
  std::vector<CharRecord> chars;
};

bool readHeader(PfrBytes& b, Header& h) {
  uint32_t signature = b.uN(4);
  if (signature != 0x50465230 && signature != 0x50465231) return false;  // "PFR0", "PFR1"
  if (b.u16() != 4 || b.u16() != 0x0D0A) return false;
  b.seek(12);
  h.logDirOffset = b.u16();
  b.seek(27);
  h.physSectionOffset = b.u24();
  b.seek(35);
  h.gpsOffset = b.u24();
  b.seek(41);
  h.sizeIncrement = b.u8() != 0;
  uint32_t colourFlags = b.u8();
  if (colourFlags >= 4) return false;
  h.topDown = colourFlags & 2;
  b.seek(52);
  uint32_t physFonts = b.u16();
  return b.ok && physFonts > 0 && h.gpsOffset <= b.size;
}

bool skipExtraItems(PfrBytes& p) {
  uint32_t count = p.u8();
  for (uint32_t i = 0; i < count && p.ok; i++) {
    uint32_t size = p.u8();
    p.u8();
    p.skip(size);
  }
  return p.ok;
}

// Logical font 0: where its physical font record lies.
bool readLogicalFont(const PfrBytes& file, const Header& h, PhysFont& phys) {
  PfrBytes dir = file.sub(h.logDirOffset, file.size - std::min<size_t>(h.logDirOffset, file.size));
  uint32_t count = dir.u16(), size = dir.u16(), offset = dir.u24();
  if (!dir.ok || count == 0) return false;
  PfrBytes p = file.sub(offset, size);
  p.skip(12);  // the font matrix
  uint32_t flags = p.u8();
  if (!p.ok || (flags & 0x80)) return false;
  if (flags & 0x04) {  // stroke: thickness, and a miter limit for miter joins
    p.skip((flags & 0x08) ? 2 : 1);
    if ((flags & 0x03) == 0) p.skip(3);
  }
  if (flags & 0x10) p.skip((flags & 0x20) ? 2 : 1);  // bold thickness
  if (flags & 0x40) skipExtraItems(p);
  phys.size = p.u16();
  phys.offset = p.u24();
  if (h.sizeIncrement) phys.size += p.u8() << 16;
  return p.ok;
}

void readBitmapInfo(PfrBytes p, PhysFont& phys) {
  p.skip(3);  // total table size
  uint32_t flags = p.u8();
  uint32_t count = p.u8();
  if (count == 0 || phys.hasStrike) return;  // one strike is used: the first
  Strike s;
  p.uWide(flags & 0x01);  // x pixels per em: strikes are square here
  s.ppm = p.uWide(flags & 0x02);
  s.flags = p.u8();
  s.bctSize = p.uN((flags & 0x04) ? 3 : 2);
  s.bctOffset = p.uN((flags & 0x08) ? 3 : 2);
  s.count = p.uWide(flags & 0x10);
  if (!p.ok) return;
  phys.strike = s;
  phys.hasStrike = true;
}

bool readPhysicalFont(const PfrBytes& file, PhysFont& phys) {
  PfrBytes p = file.sub(phys.offset, phys.size);
  p.u16();  // font reference number
  phys.outlineResolution = int32_t(p.u16());
  phys.metricsResolution = int32_t(p.u16());
  p.skip(8);  // bounding box
  uint32_t flags = p.u8();
  if (!p.ok || (flags & 0x40) || phys.outlineResolution == 0 || phys.metricsResolution == 0) return false;
  int32_t standardWidth = (flags & 0x04) ? 0 : p.s16();
  if (flags & 0x80) {
    uint32_t count = p.u8();
    for (uint32_t i = 0; i < count && p.ok; i++) {
      uint32_t size = p.u8(), type = p.u8();
      PfrBytes item = p.sub(p.pos, size);
      p.skip(size);
      if (!p.ok) break;
      if (type == 1) readBitmapInfo(item, phys);
      if (type == 4) phys.kernItems.push_back(item);
    }
  }
  p.skip(p.u24());     // auxiliary data
  p.skip(2 * p.u8());  // blue values
  p.skip(6);           // blue fuzz and scale, standard stem widths
  uint32_t count = p.u16();
  if (!p.ok) return false;
  phys.chars.reserve(std::min<size_t>(count, p.size));
  for (uint32_t i = 0; i < count; i++) {
    CharRecord c;
    c.code = p.uWide(flags & 0x02);
    c.setWidth = (flags & 0x04) ? p.s16() : standardWidth;
    if (flags & 0x08) p.u8();  // ASCII code
    c.gpsSize = p.uWide(flags & 0x10);
    c.gpsOffset = p.uN((flags & 0x20) ? 3 : 2);
    if (!p.ok) return false;
    phys.chars.push_back(c);
  }
  return true;
}

int32_t scaled(int64_t value, int32_t size, int32_t resolution) { return int32_t(value * size / resolution); }

bool setGlyph(Font* font, int32_t slot, Glyph* glyph) {
  if (!glyph) return false;
  glyph_free(font->glyphs[slot]);
  font->glyphs[slot] = glyph;
  font->maxAdvance = std::max(font->maxAdvance, glyph->advance);
  return true;
}

// The bitmaps of the strike, by slot (an empty image where the slot has none).
struct SlotBitmap {
  bool present = false;
  FontBitmap image{};
  std::vector<uint8_t> bits;
};

void readStrike(const PfrBytes& file, const Header& h, const PhysFont& phys, std::vector<SlotBitmap>& out) {
  const Strike& s = phys.strike;
  PfrBytes bct = file.sub(size_t(phys.offset) + phys.size + s.bctOffset, s.bctSize);
  PfrBytes gps = file.sub(h.gpsOffset, file.size - h.gpsOffset);
  for (uint32_t i = 0; i < s.count && bct.ok; i++) {
    uint32_t code = bct.uWide(s.flags & 0x01);
    uint32_t size = bct.uWide(s.flags & 0x02);
    uint32_t offset = bct.uN((s.flags & 0x04) ? 3 : 2);
    int32_t slot = font_slotOf(code);
    if (!bct.ok || slot < 0 || out[size_t(slot)].present) continue;  // the first record of a slot counts
    SlotBitmap& entry = out[size_t(slot)];
    entry.present = pfr_decodeBitmap(gps.sub(offset, size), h.topDown, entry.image, entry.bits);
  }
}

bool readKerning(Font* font, const PhysFont& phys) {
  std::vector<KernPair> pairs;
  for (PfrBytes p : phys.kernItems) {
    uint32_t count = p.u8();
    int32_t base = p.s16();
    uint32_t flags = p.u8();
    for (uint32_t i = 0; i < count && p.ok; i++) {
      int32_t left = font_slotOf(p.uWide(flags & 0x01)), right = font_slotOf(p.uWide(flags & 0x01));
      int32_t value = base + ((flags & 0x02) ? p.s16() : p.s8());
      int32_t pixels = scaled(value, font->renderSize, phys.metricsResolution);
      if (p.ok && left >= 0 && right >= 0 && pixels != 0) pairs.push_back({uint16_t(left), uint16_t(right), pixels});
    }
  }
  auto byPair = [](const KernPair& a, const KernPair& b) {
    return a.left != b.left ? a.left < b.left : a.right < b.right;
  };
  std::stable_sort(pairs.begin(), pairs.end(), byPair);
  auto same = [](const KernPair& a, const KernPair& b) { return a.left == b.left && a.right == b.right; };
  pairs.erase(std::unique(pairs.begin(), pairs.end(), same), pairs.end());
  if (pairs.empty()) return true;
  font->kernPairs = static_cast<KernPair*>(pool_alloc(POOL_FONT, int32_t(pairs.size() * sizeof(KernPair))));
  if (!font->kernPairs) return false;
  std::copy(pairs.begin(), pairs.end(), font->kernPairs);
  font->kernCount = font->kernCapacity = int32_t(pairs.size());
  return true;
}

}  // namespace

bool pfr_read(Font* font, const FontSizeEntry& entry, const uint8_t* data, int32_t size) {
  if (!font || !data || size <= 0) return false;
  PfrBytes file(data, size_t(size));
  Header h;
  PhysFont phys;
  if (!readHeader(file, h) || !readLogicalFont(file, h, phys) || !readPhysicalFont(file, phys)) return false;

  int32_t strike = phys.hasStrike ? int32_t(std::clamp<uint32_t>(phys.strike.ppm, 1, 255)) : 0;
  int32_t render = strike == entry.strikeSize ? entry.renderSize : strike;
  render = std::clamp(render, 1, 255);
  font->strikeSize = uint8_t(strike);
  font->renderSize = uint8_t(render);

  std::vector<SlotBitmap> bitmaps(kFontGlyphSlots);
  if (phys.hasStrike) readStrike(file, h, phys, bitmaps);
  PfrBytes gps = file.sub(h.gpsOffset, file.size - h.gpsOffset);
  std::vector<bool> hasChar(kFontGlyphSlots);
  for (const CharRecord& c : phys.chars) {
    int32_t slot = font_slotOf(c.code);
    if (slot < 0 || hasChar[size_t(slot)]) continue;  // the first record of a slot counts
    hasChar[size_t(slot)] = true;
    int32_t advance = std::max(0, scaled(c.setWidth, render, phys.metricsResolution));
    const SlotBitmap& bitmap = bitmaps[size_t(slot)];
    Glyph* glyph = nullptr;
    if (bitmap.present) {
      glyph = glyph_newBitmap(slot, advance, bitmap.image, bitmap.bits.data());
    } else if (c.gpsSize > 0) {
      PfrOutline outline;
      if (!pfr_readGlyphProgram(gps, c.gpsOffset, c.gpsSize, render, phys.outlineResolution, outline)) continue;
      glyph = glyph_newOutline(slot, advance, outline.contourSizes, outline.xs, outline.ys);
    } else {
      glyph = glyph_newEmpty(slot, advance);
    }
    if (!setGlyph(font, slot, glyph)) return false;
  }
  // Bitmaps without a character record take their advance from their own set width.
  for (int32_t slot = 0; slot < kFontGlyphSlots; slot++) {
    const SlotBitmap& bitmap = bitmaps[size_t(slot)];
    if (!bitmap.present || hasChar[size_t(slot)]) continue;
    int32_t advance = std::max(0, scaled(bitmap.image.setWidth, render, strike * 256));
    if (!setGlyph(font, slot, glyph_newBitmap(slot, advance, bitmap.image, bitmap.bits.data()))) return false;
  }
  return readKerning(font, phys);
}
