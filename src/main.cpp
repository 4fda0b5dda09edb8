#include <cstdio>

#include "runtime/pool.h"
#include "runtime/process.h"

int main() {
  if (process_init() != 0) return 1;
  std::printf("Orbiscope: runtime kernel ready\n%s", pool_report().c_str());
  return 0;
}
