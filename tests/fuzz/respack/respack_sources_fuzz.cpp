// The resource pack's readers on arbitrary bytes: text sources, bundle members, colour sources and
// colour tables must report problems, never crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "colour_table.h"
#include "text_bundles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> errors;
  std::string text(reinterpret_cast<const char*>(data), size);
  TextTable t = texts_parse(text, "fuzz", errors);
  std::vector<uint8_t> bundle = bundle_encode(t);
  TextTable back = bundle_decode(bundle.data(), bundle.size(), errors);
  if (back != t) __builtin_trap();  // whatever the parser accepts must read back unchanged
  bundle_decode(data, size, errors);
  colours_parse(text, errors);
  std::vector<SkinColours> skins;
  colours_decode(data, size, skins);
  return 0;
}
