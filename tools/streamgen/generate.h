#pragma once
// Builds one stream file (a loop of transport packets) and its manifest from a transport of the
// fixture at a given broadcast time.
#include <string>

#include "bytes.h"
#include "fixture.h"
#include "json.h"
#include "mux.h"

namespace streamgen {

struct StreamFile {
  std::string path;  // relative, e.g. "sat/astra_10744.ts"
  Bytes data;
  Json manifest;
};

// Throws std::runtime_error when the transport cannot be put into tables (an entry too large).
StreamFile generateStream(const Fixture& f, const Transport& t, int64_t base);

// The tables and payload of a transport's file, and when they are sent.
MuxPlan planStream(const Fixture& f, const Transport& t, int64_t base);

}  // namespace streamgen
