#pragma once
// Runs a program of the receiver root as a child process and waits for it.
#include <string>

// Starts `program` (a path relative to the receiver root, "./buildResImg") with the root as its
// working directory, no arguments beyond its name, the receiver's environment and no open file but
// standard input, output and error; waits without limit for it to end. 0 when it ran (its exit
// status in *exitStatus, 128 + signal when killed), or the error number when it could not be started.
int host_runProgram(const std::string& program, int* exitStatus);
