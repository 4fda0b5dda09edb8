#pragma once
// Conditions a script can wait for or expect: a name and its arguments, tested against the running
// receiver. Later parts of the receiver add their own with remote_addCondition.
#include <cstdint>
#include <string>
#include <vector>

using Args = std::vector<std::string>;

// True when the condition holds; *error explains a malformed condition (then the result is false).
using ConditionTest = bool (*)(const Args& args, std::string* error);

// `argumentCount` is checked before a script runs.
void remote_addCondition(const char* name, const char* usage, int argumentCount, ConditionTest test);
// Checks a condition's name and number of arguments without evaluating it.
bool remote_checkCondition(const Args& words, std::string* error);
// Evaluates "name arg..." ("not" negates the rest).
bool remote_evaluate(const Args& words, std::string* error);
// One line per condition: its usage.
std::string remote_conditionHelp();

// Parsing helpers shared with the script.
bool parseInt(const std::string& text, long long* value);
// A receiver key code from a number, a KEY_ name or a single character ('a').
bool parseKeyCode(const std::string& text, uint16_t* code);
