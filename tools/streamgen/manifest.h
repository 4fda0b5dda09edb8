#pragma once
// The manifest of a stream file: what a reader of the file must find in it.
#include <cstddef>
#include <cstdint>

#include "fixture.h"
#include "json.h"
#include "mux.h"

namespace streamgen {

Json manifestOf(const Fixture& f, const Transport& full, int64_t base, const MuxPlan& plan, size_t packets);

}  // namespace streamgen
