#include "runtime/system_exit.h"

#include <cstdio>
#include <cstdlib>

void system_exit(int code) {
  std::printf("SYSTEM EXIT WITH CODE: %d\n", code);
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(code);
}
