// 8-bit text to wide strings and back: the lenient decoder must stay inside the string, and what it
// decodes must encode and decode to the same units.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/text/utf8.h"
#include "runtime/text/wstr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);  // c_str() ends at the first NUL
  std::vector<char16_t> wide(text.size() + 1);
  wstr_fromUtf8(text.c_str(), wide.data());

  char* utf8 = wstr_toUtf8(wide.data());
  if (!utf8) return 0;
  std::vector<char16_t> back(std::char_traits<char>::length(utf8) + 1);
  wstr_fromUtf8(utf8, back.data());
  if (wstr_compare(back.data(), wide.data()) != 0) __builtin_trap();
  wstr_freeUtf8(utf8);
  return 0;
}
