// Any bytes as a flash image: the check must repair without crashing or looping, leave a store that
// a second check finds consistent, and keep the store usable.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "devices/flash/flash_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int32_t kb = 128;
  std::vector<uint8_t> image(kb * 1024, 0);
  std::memcpy(image.data(), data, size < image.size() ? size : image.size());
  FlashImage fs(image.data(), kb);
  if (fs.check() < 0) fs.format();
  if (fs.check() != 0) std::abort();
  // The repaired store still takes new entries and gives them back.
  FlashEntryRef dir = fs.makeDirectory(fs.root(), "fuzz");
  if (dir.valid()) {
    int32_t first = FlashImage::entryFirst(fs.entry(dir));
    fs.makeFile(first, "f");
  }
  if (fs.check() != 0) std::abort();
  return 0;
}
