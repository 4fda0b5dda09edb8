// Fuzz target: fixture text -> parse -> every stream and manifest it describes.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fixture.h"
#include "generate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  streamgen::Fixture fixture;
  std::string error;
  if (!streamgen::parseFixture(std::string(reinterpret_cast<const char*>(data), size), fixture, error)) return 0;
  // Keep each run short: long loops and big multiplexes only repeat the same code.
  for (const streamgen::Transport& t : fixture.transports)
    if (t.durationMs > 2000 || t.services.size() > 16) return 0;
  for (const streamgen::Transport& t : fixture.transports) {
    if (t.file.empty()) continue;
    try {
      streamgen::StreamFile s = streamgen::generateStream(fixture, t, 1364299200);
      (void)s.manifest.dump(2);
    } catch (const std::runtime_error&) {
      // A description that does not fit into tables is refused with a message.
    }
  }
  return 0;
}
