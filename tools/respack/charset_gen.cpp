// Character tables from iconv (ISO/IEC 8859 parts) and the C.UTF-8 locale's case mapping.
#include "charset_gen.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

namespace {

void put16(std::vector<uint8_t>& out, uint32_t u) {
  out.push_back(u & 0xFF);
  out.push_back(u >> 8 & 0xFF);
}

// The code point of byte b in the charset, or U+FFFD when the part leaves it undefined.
uint32_t decodeByte(iconv_t cd, uint8_t b) {
  char in[1] = {static_cast<char>(b)};
  char out[8];
  char* ip = in;
  char* op = out;
  size_t il = 1, ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || op - out != 4) return 0xFFFD;
  uint32_t cp = static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8 | static_cast<uint8_t>(out[2]) << 16 |
                static_cast<uint32_t>(static_cast<uint8_t>(out[3])) << 24;
  return cp == 0 || cp > 0xFFFF ? 0xFFFD : cp;
}

}  // namespace

std::vector<uint8_t> charset_isoTable(std::string& error) {
  std::vector<uint8_t> out;
  for (int part = 1; part <= 16; ++part) {
    if (part == 12) {  // no such part: Latin-1, so a stray selector still shows something sensible
      for (uint32_t b = 0xA0; b <= 0xFF; ++b) put16(out, b);
      continue;
    }
    std::string name = "ISO-8859-" + std::to_string(part);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      error = "iconv has no " + name;
      return {};
    }
    for (uint32_t b = 0xA0; b <= 0xFF; ++b) put16(out, decodeByte(cd, static_cast<uint8_t>(b)));
    iconv_close(cd);
  }
  if (out.size() != kIsoTableBytes) error = "ISO table has the wrong size";
  return out;
}

std::vector<uint8_t> charset_uppercaseTable(std::string& error) {
  locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (!loc) {
    error = "the C.UTF-8 locale is missing";
    return {};
  }
  std::vector<uint8_t> out;
  out.reserve(kUppercaseTableBytes);
  for (uint32_t u = 0; u < 0xFFFF; ++u) {
    uint32_t up = u;
    if (u < 0xD800 || u > 0xDFFF) {
      wint_t w = towupper_l(static_cast<wint_t>(u), loc);
      if (w > 0 && w <= 0xFFFF) up = static_cast<uint32_t>(w);
    }
    put16(out, up);
  }
  freelocale(loc);
  return out;
}
