#pragma once
// The one way a fatal condition ends the program: prints "SYSTEM EXIT WITH CODE: %d\n", flushes the
// standard streams and exits with that code.
[[noreturn]] void system_exit(int code);
