// Remote scripts are read and checked before anything runs: any text gives a list of steps or a
// clear error, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string source(reinterpret_cast<const char*>(data), size);
  std::string error;
  script_check(script_parse(source), &error);
  return 0;
}
