#include "pfr_writer.h"

#include <algorithm>

namespace {

struct Out {
  std::vector<uint8_t> b;
  void n(uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; i--) b.push_back(uint8_t(v >> (8 * i)));
  }
  void u8(uint32_t v) { n(v, 1); }
  void u16(uint32_t v) { n(v, 2); }
  void u24(uint32_t v) { n(v, 3); }
  void put(const std::vector<uint8_t>& more) { b.insert(b.end(), more.begin(), more.end()); }
  void at(size_t offset, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) b[offset + i] = uint8_t(v >> (8 * (bytes - 1 - i)));
  }
};

bool fits(int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; }

// The image's pixels in stored order: bottom row first, each row left to right.
std::vector<bool> stream(const PfrImage& image) {
  std::vector<bool> pixels;
  for (int32_t r = image.height - 1; r >= 0; r--)
    for (int32_t c = 0; c < image.width; c++) pixels.push_back(image.pixel(r, c));
  return pixels;
}

std::vector<uint8_t> packBits(const std::vector<bool>& pixels) {
  std::vector<uint8_t> out((pixels.size() + 7) / 8, 0);
  for (size_t i = 0; i < pixels.size(); i++)
    if (pixels[i]) out[i / 8] |= uint8_t(0x80 >> (i % 8));
  return out;
}

// Alternating runs (background first) coded as (background, foreground) count pairs of at most
// `limit` each, as nibbles of one byte (limit 15) or as two bytes (limit 255).
std::vector<uint8_t> runs(const std::vector<bool>& pixels, uint32_t limit) {
  std::vector<uint8_t> out;
  auto emit = [&](uint32_t bg, uint32_t fg) {
    if (limit == 15) {
      out.push_back(uint8_t(bg << 4 | fg));
    } else {
      out.push_back(uint8_t(bg));
      out.push_back(uint8_t(fg));
    }
  };
  size_t i = 0;
  while (i < pixels.size()) {
    uint32_t bg = 0, fg = 0;
    while (i < pixels.size() && !pixels[i]) bg++, i++;
    while (i < pixels.size() && pixels[i]) fg++, i++;
    while (bg > limit) emit(limit, 0), bg -= limit;
    while (fg > limit) emit(bg, limit), bg = 0, fg -= limit;
    if (bg || fg) emit(bg, fg);
  }
  return out;
}

std::vector<uint8_t> bitmapRecord(const PfrImage& image, PfrImageFormat format, bool narrow) {
  std::vector<bool> pixels = stream(image);
  std::vector<uint8_t> data;
  uint32_t imageFormat = 0;
  if (!pixels.empty()) {
    std::vector<uint8_t> candidates[3] = {packBits(pixels), runs(pixels, 15), runs(pixels, 255)};
    // FreeType refuses run-length images that hold more pixels than 15 per byte (nibble runs) or
    // 255 per byte pair (byte runs) of the record; such images are stored as packed bits.
    size_t count = pixels.size();
    bool usable[3] = {true, count <= 15 * candidates[1].size(), count <= 255 * (candidates[2].size() / 2)};
    imageFormat = usable[uint32_t(format) % 3] && format != PfrImageFormat::Smallest ? uint32_t(format) : 0;
    if (format == PfrImageFormat::Smallest)
      for (uint32_t f = 1; f < 3; f++)
        if (usable[f] && candidates[f].size() < candidates[imageFormat].size()) imageFormat = f;
    data = candidates[imageFormat];
  }
  Out o;
  uint32_t position = 2, size = pixels.empty() ? 0 : 3;
  if (narrow) {
    position = fits(image.left, -8, 7) && fits(image.bottom, -8, 7)           ? 0
               : fits(image.left, -128, 127) && fits(image.bottom, -128, 127) ? 1
                                                                              : 2;
    if (size) size = image.width <= 15 && image.height <= 15 ? 1 : image.width <= 255 && image.height <= 255 ? 2 : 3;
  }
  o.u8(imageFormat << 6 | size << 2 | position);
  if (position == 0) o.u8(uint32_t(image.left & 15) << 4 | uint32_t(image.bottom & 15));
  if (position == 1) o.u8(uint32_t(image.left) & 0xFF), o.u8(uint32_t(image.bottom) & 0xFF);
  if (position == 2) o.u16(uint32_t(image.left) & 0xFFFF), o.u16(uint32_t(image.bottom) & 0xFFFF);
  if (size == 1) o.u8(uint32_t(image.width) << 4 | uint32_t(image.height));
  if (size == 2) o.u8(uint32_t(image.width)), o.u8(uint32_t(image.height));
  if (size == 3) o.u16(uint32_t(image.width)), o.u16(uint32_t(image.height));
  o.put(data);
  return o.b;
}

void extraItem(Out& o, uint32_t type, const std::vector<uint8_t>& body) {
  o.u8(uint32_t(body.size()));
  o.u8(type);
  o.put(body);
}

}  // namespace

std::vector<uint8_t> pfr_write(const PfrFontContent& content) {
  std::vector<PfrGlyph> glyphs = content.glyphs;
  std::sort(glyphs.begin(), glyphs.end(), [](const PfrGlyph& a, const PfrGlyph& b) { return a.code < b.code; });
  std::vector<PfrKern> kerning = content.kerning;
  std::sort(kerning.begin(), kerning.end(),
            [](const PfrKern& a, const PfrKern& b) { return a.left != b.left ? a.left < b.left : a.right < b.right; });
  const bool narrow = content.narrowFields;

  // The glyph-program-string section: the prefix, the bitmap records, then the outline programs.
  Out gps;
  gps.put(content.gpsPrefix);
  struct Placed {
    uint32_t offset = 0, size = 0;
  };
  std::vector<Placed> bitmaps(glyphs.size()), programs(glyphs.size());
  uint32_t maxGps = 0;
  for (size_t i = 0; i < glyphs.size(); i++) {
    if (!glyphs[i].image || !content.strikeSize) continue;
    std::vector<uint8_t> record = bitmapRecord(*glyphs[i].image, content.imageFormat, narrow);
    bitmaps[i] = {uint32_t(gps.b.size()), uint32_t(record.size())};
    maxGps = std::max<uint32_t>(maxGps, uint32_t(record.size()));
    gps.put(record);
  }
  for (size_t i = 0; i < glyphs.size(); i++) {
    if (glyphs[i].program.empty()) continue;
    programs[i] = {uint32_t(gps.b.size()), uint32_t(glyphs[i].program.size())};
    maxGps = std::max<uint32_t>(maxGps, uint32_t(glyphs[i].program.size()));
    gps.put(glyphs[i].program);
  }
  uint32_t maxCode = 0, maxProgramSize = 0, maxProgramOffset = 0, maxBitmapSize = 0, maxBitmapOffset = 0;
  size_t bitmapCount = 0;
  for (size_t i = 0; i < glyphs.size(); i++) {
    maxCode = std::max(maxCode, glyphs[i].code);
    maxProgramSize = std::max(maxProgramSize, programs[i].size);
    maxProgramOffset = std::max(maxProgramOffset, programs[i].offset);
    if (bitmaps[i].size) {
      bitmapCount++;
      maxBitmapSize = std::max(maxBitmapSize, bitmaps[i].size);
      maxBitmapOffset = std::max(maxBitmapOffset, bitmaps[i].offset);
    }
  }

  // The bitmap character table: code, record size, record offset.
  bool wideCode = !narrow || maxCode > 255, wideSize = !narrow || maxBitmapSize > 255,
       wideOffset = !narrow || maxBitmapOffset > 0xFFFF;
  Out bct;
  for (size_t i = 0; i < glyphs.size(); i++) {
    if (!bitmaps[i].size) continue;
    bct.n(glyphs[i].code, wideCode ? 2 : 1);
    bct.n(bitmaps[i].size, wideSize ? 2 : 1);
    bct.n(bitmaps[i].offset, wideOffset ? 3 : 2);
  }

  // The physical font record.
  Out phys;
  phys.u16(0);
  phys.u16(uint32_t(content.outlineResolution));
  phys.u16(uint32_t(content.metricsResolution));
  for (int32_t v : content.bbox) phys.u16(uint32_t(v) & 0xFFFF);
  bool charWide = !narrow || maxCode > 255, gpsSizeWide = !narrow || maxProgramSize > 255,
       gpsOffsetWide = !narrow || maxProgramOffset > 0xFFFF;
  std::vector<std::vector<uint8_t>> items;
  if (content.strikeSize && bitmapCount) {
    bool wideTable = !narrow || bct.b.size() > 0xFFFF, wideCount = !narrow || bitmapCount > 255;
    bool widePpm = !narrow || content.strikeSize > 255;
    Out info;
    info.u24(uint32_t(bct.b.size()));
    info.u8((widePpm ? 0x03 : 0) | (wideTable ? 0x0C : 0) | (wideCount ? 0x10 : 0));
    info.u8(1);
    info.n(uint32_t(content.strikeSize), widePpm ? 2 : 1);
    info.n(uint32_t(content.strikeSize), widePpm ? 2 : 1);
    info.u8((wideCode ? 0x01 : 0) | (wideSize ? 0x02 : 0) | (wideOffset ? 0x04 : 0));
    info.n(uint32_t(bct.b.size()), wideTable ? 3 : 2);
    info.n(0, wideTable ? 3 : 2);  // the table follows the physical font record directly
    info.n(uint32_t(bitmapCount), wideCount ? 2 : 1);
    items.push_back(info.b);
    items.back().insert(items.back().begin(), 1);  // type, taken off again below
  }
  bool kernWideCode = !narrow || std::any_of(kerning.begin(), kerning.end(),
                                             [](const PfrKern& k) { return k.left > 255 || k.right > 255; });
  bool kernWideValue = !narrow || std::any_of(kerning.begin(), kerning.end(),
                                              [](const PfrKern& k) { return !fits(k.value, -128, 127); });
  size_t pairSize = (kernWideCode ? 4 : 2) + (kernWideValue ? 2 : 1);
  size_t perItem = (255 - 4) / pairSize;
  for (size_t first = 0; first < kerning.size(); first += perItem) {
    Out item;
    size_t count = std::min(perItem, kerning.size() - first);
    item.u8(uint32_t(count));
    item.u16(0);  // base adjustment
    item.u8((kernWideCode ? 0x01 : 0) | (kernWideValue ? 0x02 : 0));
    for (size_t k = first; k < first + count; k++) {
      item.n(kerning[k].left, kernWideCode ? 2 : 1);
      item.n(kerning[k].right, kernWideCode ? 2 : 1);
      item.n(uint32_t(kerning[k].value), kernWideValue ? 2 : 1);
    }
    items.push_back(item.b);
    items.back().insert(items.back().begin(), 4);
  }
  uint32_t flags =
      0x04 | (charWide ? 0x02 : 0) | (gpsSizeWide ? 0x10 : 0) | (gpsOffsetWide ? 0x20 : 0) | (items.empty() ? 0 : 0x80);
  phys.u8(flags);
  if (!items.empty()) {
    phys.u8(uint32_t(items.size()));
    for (const std::vector<uint8_t>& item : items)
      extraItem(phys, item[0], std::vector<uint8_t>(item.begin() + 1, item.end()));
  }
  phys.u24(0);  // no auxiliary data
  phys.u8(0);   // no blue values
  phys.u8(0);   // blue fuzz
  phys.u8(0);   // blue scale
  phys.u16(0);  // standard vertical stem
  phys.u16(0);  // standard horizontal stem
  phys.u16(uint32_t(glyphs.size()));
  for (size_t i = 0; i < glyphs.size(); i++) {
    phys.n(glyphs[i].code, charWide ? 2 : 1);
    phys.u16(uint32_t(glyphs[i].setWidth) & 0xFFFF);
    phys.n(programs[i].size, gpsSizeWide ? 2 : 1);
    phys.n(programs[i].offset, gpsOffsetWide ? 3 : 2);
  }

  // Header, directory, logical font, then the sections.
  const uint32_t physSize = uint32_t(phys.b.size());
  const uint32_t sizeHigh = physSize >> 16;  // a third size byte in the logical font when needed
  const uint32_t logSize = 18 + (sizeHigh ? 1 : 0);
  const uint32_t logDir = 58, logOffset = logDir + 7, physOffset = logOffset + logSize;
  const uint32_t bctSize = uint32_t(bct.b.size()), gpsOffset = physOffset + physSize + bctSize;
  Out o;
  o.put({'P', 'F', 'R', '0'});
  o.u16(4);
  o.u16(0x0D0A);
  o.u16(58);
  o.u16(7);  // logical-font directory: size and offset
  o.u16(logDir);
  o.u16(logSize);
  o.u24(logSize);
  o.u24(logOffset);
  o.u16(physSize & 0xFFFF);
  o.u24(physSize + bctSize);
  o.u24(physOffset);
  o.u16(std::min<uint32_t>(maxGps, 0xFFFF));
  o.u24(uint32_t(gps.b.size()));
  o.u24(gpsOffset);
  o.u8(0);  // max blue values
  o.u8(0);  // max x orus
  o.u8(0);  // max y orus
  o.u8(sizeHigh);
  o.u8(0);  // colour flags: rows bottom first
  o.u24(bctSize);
  o.u24(bctSize);
  o.u24(physSize + bctSize);
  o.u16(1);  // physical fonts
  o.u8(0);
  o.u8(0);
  o.u16(uint32_t(glyphs.size()));
  o.u16(1);  // logical-font directory: one font
  o.u16(logSize);
  o.u24(logOffset);
  int32_t matrix = content.strikeSize ? content.strikeSize * 256 : content.outlineResolution;
  for (int32_t m : {matrix, 0, 0, matrix}) o.u24(uint32_t(m) & 0xFFFFFF);
  o.u8(0);  // logical font flags
  o.u16(physSize & 0xFFFF);
  o.u24(physOffset);
  if (sizeHigh) o.u8(sizeHigh);
  o.put(phys.b);
  o.put(bct.b);
  o.put(gps.b);
  return o.b;
}

std::vector<uint8_t> pfr_simpleProgram(const std::vector<PfrPathOp>& path) {
  Out o;
  o.u8(0);  // no control coordinates, no extra items
  for (const PfrPathOp& op : path) {
    switch (op.kind) {
      case PfrPathOp::Move:
        o.u8(0x55);  // move to, x and y as 16-bit values
        o.u16(uint32_t(op.x[0]) & 0xFFFF), o.u16(uint32_t(op.y[0]) & 0xFFFF);
        break;
      case PfrPathOp::Line:
        o.u8(0x15);
        o.u16(uint32_t(op.x[0]) & 0xFFFF), o.u16(uint32_t(op.y[0]) & 0xFFFF);
        break;
      case PfrPathOp::Cubic:
        o.u8(0x85);
        o.u16(uint32_t(op.x[0]) & 0xFFFF), o.u16(uint32_t(op.y[0]) & 0xFFFF);
        o.u8(0x55);  // the other two points: 16-bit values as well
        for (int i = 1; i < 3; i++) o.u16(uint32_t(op.x[i]) & 0xFFFF), o.u16(uint32_t(op.y[i]) & 0xFFFF);
        break;
    }
  }
  o.u8(0);
  return o.b;
}

std::vector<uint8_t> pfr_compoundProgram(const std::vector<PfrComponent>& components) {
  Out o;
  o.u8(0x80 | uint32_t(components.size() & 0x3F));
  for (const PfrComponent& c : components) {
    uint32_t format = 0x05 | 0x40 | 0x80;  // 16-bit offsets, 2-byte size, 3-byte offset
    if (c.xScale != 4096) format |= 0x10;
    if (c.yScale != 4096) format |= 0x20;
    o.u8(format);
    if (format & 0x10) o.u16(uint32_t(c.xScale) & 0xFFFF);
    if (format & 0x20) o.u16(uint32_t(c.yScale) & 0xFFFF);
    o.u16(uint32_t(c.dx) & 0xFFFF);
    o.u16(uint32_t(c.dy) & 0xFFFF);
    o.u16(c.size);
    o.u24(c.offset);
  }
  return o.b;
}
