#pragma once
// Remote scripts: one step per line, run in order against the receiver; each step is printed as it
// runs. A step that fails (an expectation that does not hold, a wait that times out, a bad line)
// ends the script.
#include <string>
#include <vector>

struct ScriptLine {
  int number;
  std::string text;  // the line as written, trimmed
};

// The lines that hold steps (comments and blank lines left out).
std::vector<ScriptLine> script_parse(const std::string& source);

// Checks every step's form without running any (close must be the last step); false with the
// first bad line in *error.
bool script_check(const std::vector<ScriptLine>& lines, std::string* error);

// Runs the steps; true when every step succeeded. `closed` tells whether a step closed the window.
bool script_run(const std::vector<ScriptLine>& lines, bool* closed);

std::string script_help();
